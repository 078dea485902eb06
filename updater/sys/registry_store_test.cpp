#include "updater/sys/registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "updater/sys/registry_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "updater/sys/posix/registry_store_sqlite.h"
#endif

namespace zefo {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

unsigned ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned>(getpid());
#endif
}

#ifndef _WIN32
// The user's store of the whole test program lives in a private folder, set
// before anything opens it. The store makes the folder on first use, so
// copies of this program that never open it (process tests) leave nothing.
class PrivateConfigHome : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("zefo-registry-" + std::to_string(ProcessId()));
    std::filesystem::remove_all(folder_);  // left by an earlier program of this id
    setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

 private:
  std::filesystem::path folder_;
};

::testing::Environment* const kConfigHome =
    ::testing::AddGlobalTestEnvironment(new PrivateConfigHome);
#endif

std::wstring UniqueTestKey() {
  static std::atomic<int> counter{0};
  return L"Software\\ZefoTest\\" + std::to_wstring(ProcessId()) + L"-" + std::to_wstring(counter++);
}

std::vector<std::wstring> ValueNames(RegistryKey& key) {
  std::vector<std::wstring> names;
  for (const RegistryValue& value : key.Values()) names.push_back(value.name);
  return names;
}

}  // namespace

RegistryTest::RegistryTest() : store_(UserRegistryStore()), path_(UniqueTestKey()) {}

RegistryTest::~RegistryTest() { store_.DeleteKey(RegistryRoot::kCurrentUser, path_); }

namespace {

using RegistryStoreTest = RegistryTest;

TEST_F(RegistryStoreTest, CreateKeyMakesMissingParentsAndListsDirectSubkeys) {
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_ + L"\\Alpha\\Deep"), nullptr);
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_ + L"\\beta"), nullptr);

  EXPECT_NE(store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\Alpha", false), nullptr);
  EXPECT_NE(store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\Alpha\\Deep", false), nullptr);
  EXPECT_EQ(store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\Gamma", false), nullptr);
  const auto key = store_.OpenKey(RegistryRoot::kCurrentUser, path_, false);
  ASSERT_NE(key, nullptr);
  EXPECT_THAT(key->SubkeyNames(), ElementsAre(L"Alpha", L"beta"));
}

TEST_F(RegistryStoreTest, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_ + L"\\Mixed\\\x00C4rger"), nullptr);
  // Another spelling opens (and "creates") the same keys.
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_ + L"\\MIXED\\\x00E4RGER"), nullptr);
  const auto key = store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\mixed\\\x00E4rger", true);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->SetValue(L"FileName", kRegSz, EncodeRegString(L"a")), RegistryResult::kOk);
  EXPECT_EQ(key->SetValue(L"FILENAME", kRegSz, EncodeRegString(L"b")), RegistryResult::kOk);
  EXPECT_EQ(key->SetValue(L"\x0421\x043B\x043E\x0432\x043E", kRegSz, EncodeRegString(L"c")),
            RegistryResult::kOk);  // Cyrillic "Slovo"

  const auto read =
      store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\MIXED\\\x00C4RGER", false);
  ASSERT_NE(read, nullptr);
  EXPECT_THAT(ValueNames(*read),
              UnorderedElementsAre(L"FileName", L"\x0421\x043B\x043E\x0432\x043E"));
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(read->QueryValue(L"filename", 512, &type, &data), RegistryResult::kOk);
  EXPECT_EQ(DecodeRegString(data), L"b");
  ASSERT_EQ(read->QueryValue(L"\x0421\x041B\x041E\x0412\x041E", 512, &type, &data),
            RegistryResult::kOk);
  EXPECT_EQ(DecodeRegString(data), L"c");
  const auto parent = store_.OpenKey(RegistryRoot::kCurrentUser, path_, false);
  ASSERT_NE(parent, nullptr);
  EXPECT_THAT(parent->SubkeyNames(), ElementsAre(L"Mixed"));
}

TEST_F(RegistryStoreTest, ValuesKeepTheirTypeAndBytes) {
  const auto key = store_.CreateKey(RegistryRoot::kCurrentUser, path_);
  ASSERT_NE(key, nullptr);
  const std::wstring text = L"C:\\Games\\\xD55C\xAE00 \"x\"";  // with Hangul
  const std::vector<RegistryValue> written = {
      {L"", kRegSz, EncodeRegString(L"default")},
      {L"PATH", kRegSz, EncodeRegString(text)},
      {L"Expand", kRegExpandSz, EncodeRegString(L"%TEMP%\\x")},
      {L"VERSION", kRegDword, EncodeRegDword(0xFFFFFFFBu)},
      {L"ZEFOTIME", kRegQword, EncodeRegQword(0x0123456789ABCDEFull)},
      {L"Empty", kRegSz, EncodeRegString(L"")},
  };
  for (const RegistryValue& value : written) {
    ASSERT_EQ(key->SetValue(value.name, value.type, value.data), RegistryResult::kOk);
  }
  for (const RegistryValue& value : written) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_EQ(key->QueryValue(value.name, 2048, &type, &data), RegistryResult::kOk);
    EXPECT_EQ(type, value.type);
    EXPECT_EQ(data, value.data);
  }
  const auto values = key->Values();
  ASSERT_EQ(values.size(), written.size());
  for (const RegistryValue& value : written) {
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const RegistryValue& v) { return v.name == value.name; });
    ASSERT_NE(found, values.end());
    EXPECT_EQ(found->type, value.type);
    EXPECT_EQ(found->data, value.data);
  }
  std::vector<std::uint8_t> data;
  ASSERT_EQ(key->QueryValue(L"PATH", 2048, nullptr, &data), RegistryResult::kOk);
  EXPECT_EQ(DecodeRegString(data), text);
}

TEST_F(RegistryStoreTest, QueryValueHonoursTheSize) {
  const auto key = store_.CreateKey(RegistryRoot::kCurrentUser, path_);
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->SetValue(L"Eight", kRegQword, EncodeRegQword(8)), RegistryResult::kOk);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  EXPECT_EQ(key->QueryValue(L"Eight", 8, &type, &data), RegistryResult::kOk);
  EXPECT_EQ(data.size(), 8u);
  EXPECT_EQ(key->QueryValue(L"Eight", 7, &type, &data), RegistryResult::kMoreData);
  EXPECT_EQ(type, kRegQword);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(key->QueryValue(L"Missing", 8, &type, &data), RegistryResult::kNotFound);
  EXPECT_EQ(key->QueryValue(L"Eight", 0, &type, &data), RegistryResult::kMoreData);
  ASSERT_EQ(key->SetValue(L"Nothing", kRegSz, {}), RegistryResult::kOk);
  EXPECT_EQ(key->QueryValue(L"Nothing", 0, &type, &data), RegistryResult::kOk);
  EXPECT_TRUE(data.empty());
}

TEST_F(RegistryStoreTest, AccessFollowsHowTheKeyWasOpened) {
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_), nullptr);
  const auto reader = store_.OpenKey(RegistryRoot::kCurrentUser, path_, false);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->SetValue(L"x", kRegDword, EncodeRegDword(1)), RegistryResult::kFailed);

  const auto writer = store_.OpenKey(RegistryRoot::kCurrentUser, path_, true);
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->SetValue(L"x", kRegDword, EncodeRegDword(1)), RegistryResult::kOk);
  std::vector<std::uint8_t> data;
  EXPECT_EQ(writer->QueryValue(L"x", 4, nullptr, &data), RegistryResult::kFailed);
  EXPECT_EQ(reader->QueryValue(L"x", 4, nullptr, &data), RegistryResult::kOk);
}

TEST_F(RegistryStoreTest, DeleteValueAndDeleteKeyTree) {
  const auto key = store_.CreateKey(RegistryRoot::kCurrentUser, path_ + L"\\Sub\\Deeper");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->SetValue(L"v", kRegDword, EncodeRegDword(1)), RegistryResult::kOk);
  EXPECT_EQ(key->DeleteValue(L"V"), RegistryResult::kOk);
  EXPECT_EQ(key->DeleteValue(L"v"), RegistryResult::kNotFound);
  EXPECT_TRUE(key->Values().empty());

  EXPECT_EQ(store_.DeleteKey(RegistryRoot::kCurrentUser, path_ + L"\\SUB"), RegistryResult::kOk);
  EXPECT_EQ(store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\Sub\\Deeper", false), nullptr);
  EXPECT_EQ(store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\Sub", false), nullptr);
  EXPECT_NE(store_.OpenKey(RegistryRoot::kCurrentUser, path_, false), nullptr);
  EXPECT_EQ(store_.DeleteKey(RegistryRoot::kCurrentUser, path_ + L"\\Sub"),
            RegistryResult::kNotFound);
  // A handle to a deleted key writes nowhere.
  EXPECT_NE(key->SetValue(L"v", kRegDword, EncodeRegDword(2)), RegistryResult::kOk);
  EXPECT_EQ(store_.OpenKey(RegistryRoot::kCurrentUser, path_ + L"\\Sub\\Deeper", false), nullptr);
}

TEST_F(RegistryStoreTest, RootsAreSeparate) {
  const std::wstring classKey = L"ZefoTest." + std::to_wstring(ProcessId());
  ASSERT_NE(store_.CreateKey(RegistryRoot::kClassesRoot, classKey + L"\\shell\\open\\command"),
            nullptr);
  EXPECT_NE(store_.OpenKey(RegistryRoot::kClassesRoot, classKey + L"\\Shell", false), nullptr);
  EXPECT_EQ(store_.OpenKey(RegistryRoot::kCurrentUser, classKey, false), nullptr);
  EXPECT_EQ(store_.DeleteKey(RegistryRoot::kClassesRoot, classKey), RegistryResult::kOk);
  EXPECT_EQ(store_.OpenKey(RegistryRoot::kClassesRoot, classKey, false), nullptr);
}

TEST_F(RegistryStoreTest, RootKeysOpenButCannotBeDeleted) {
  EXPECT_NE(store_.OpenKey(RegistryRoot::kCurrentUser, L"", false), nullptr);
  EXPECT_NE(store_.DeleteKey(RegistryRoot::kCurrentUser, L""), RegistryResult::kOk);
}

TEST_F(RegistryStoreTest, ThreadsShareTheStore) {
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_), nullptr);
  constexpr int kThreads = 4;
  constexpr int kWrites = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < kWrites; ++i) {
        const auto key = store_.OpenKey(RegistryRoot::kCurrentUser, path_, true);
        ASSERT_NE(key, nullptr);
        ASSERT_EQ(key->SetValue(std::to_wstring(t) + L"-" + std::to_wstring(i), kRegDword,
                                EncodeRegDword(static_cast<std::uint32_t>(i))),
                  RegistryResult::kOk);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const auto key = store_.OpenKey(RegistryRoot::kCurrentUser, path_, false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->Values().size(), static_cast<std::size_t>(kThreads * kWrites));
}

TEST(RegistryEncodingTest, StringsAreUtf16LittleEndianWithTerminator) {
  EXPECT_EQ(EncodeRegString(L"A\x00E9"), (std::vector<std::uint8_t>{0x41, 0, 0xE9, 0, 0, 0}));
  EXPECT_EQ(EncodeRegString(L""), (std::vector<std::uint8_t>{0, 0}));
  // U+1F600 is a surrogate pair in UTF-16.
  const std::wstring emoji = sizeof(wchar_t) == 4 ? std::wstring(1, static_cast<wchar_t>(0x1F600))
                                                  : std::wstring(L"\xD83D\xDE00");
  EXPECT_EQ(EncodeRegString(emoji), (std::vector<std::uint8_t>{0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
  EXPECT_EQ(DecodeRegString(EncodeRegString(emoji)), emoji);
  // Up to the first zero; without one, up to the end; an odd byte is no unit.
  EXPECT_EQ(DecodeRegString({0x61, 0, 0, 0, 0x62, 0}), L"a");
  EXPECT_EQ(DecodeRegString({0x61, 0, 0x62, 0, 0x63}), L"ab");
  EXPECT_EQ(DecodeRegString({}), L"");
}

TEST(RegistryEncodingTest, NumbersAreLittleEndian) {
  EXPECT_EQ(EncodeRegDword(0x01020304u), (std::vector<std::uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(EncodeRegQword(0x0102030405060708ull),
            (std::vector<std::uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
}

#ifndef _WIN32

// A database file of its own, for what only the SQLite store has to show.
class SqliteStoreTest : public ::testing::Test {
 protected:
  SqliteStoreTest() {
    char folder[] = "/tmp/zefo-sqlite-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    file_ = folder_ + "/a/b/registry.sqlite3";
  }
  ~SqliteStoreTest() override { std::filesystem::remove_all(folder_); }

  std::string folder_;
  std::string file_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(SqliteStoreTest, CreatesItsFoldersAndAWalDatabase) {
  const auto store = OpenSqliteRegistryStore(file_);
  ASSERT_NE(store->CreateKey(RegistryRoot::kCurrentUser, L"Software\\Tavrin"), nullptr);
  EXPECT_EQ(std::filesystem::status(folder_ + "/a").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &statement, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "wal");
  sqlite3_finalize(statement);
  sqlite3_close(db);
}

TEST_F(SqliteStoreTest, TwoConnectionsSeeEachOther) {
  const auto first = OpenSqliteRegistryStore(file_);
  const auto second = OpenSqliteRegistryStore(file_);
  const auto key = first->CreateKey(RegistryRoot::kCurrentUser, L"Software\\Tavrin\\Zlauncher");
  ASSERT_NE(key, nullptr);
  const auto other =
      second->OpenKey(RegistryRoot::kCurrentUser, L"SOFTWARE\\tavrin\\zlauncher", true);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(other->SetValue(L"VERSION", kRegDword, EncodeRegDword(104)), RegistryResult::kOk);
  std::vector<std::uint8_t> data;
  ASSERT_EQ(key->QueryValue(L"VERSION", 4, nullptr, &data), RegistryResult::kOk);
  EXPECT_EQ(data, EncodeRegDword(104));

  ASSERT_EQ(second->DeleteKey(RegistryRoot::kCurrentUser, L"Software\\Tavrin"),
            RegistryResult::kOk);
  EXPECT_EQ(key->SetValue(L"VERSION", kRegDword, EncodeRegDword(105)), RegistryResult::kFailed);
  EXPECT_EQ(key->QueryValue(L"VERSION", 4, nullptr, &data), RegistryResult::kFailed);
  // A new key of the same name is another key: the old handle stays dead.
  ASSERT_NE(second->CreateKey(RegistryRoot::kCurrentUser, L"Software\\Tavrin\\Zlauncher"), nullptr);
  EXPECT_EQ(key->SetValue(L"VERSION", kRegDword, EncodeRegDword(106)), RegistryResult::kFailed);
}

TEST_F(SqliteStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kWrites = 200;
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // A connection of its own, as in a separate program.
      const auto store = OpenSqliteRegistryStore(file_);
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        const auto key = store->CreateKey(RegistryRoot::kCurrentUser, L"Software\\Race");
        if (!key ||
            key->SetValue(L"w" + std::to_wstring(writer) + L"-" + std::to_wstring(i), kRegDword,
                          EncodeRegDword(static_cast<std::uint32_t>(i))) != RegistryResult::kOk) {
          ++failures;
        }
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto store = OpenSqliteRegistryStore(file_);
  const auto key = store->OpenKey(RegistryRoot::kCurrentUser, L"Software\\Race", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->Values().size(), 2u * kWrites);
}

TEST_F(SqliteStoreTest, LeavesForeignFilesAlone) {
  // A database of a newer schema, and a file that is no database at all.
  {
    const auto store = OpenSqliteRegistryStore(file_);
    ASSERT_NE(store->CreateKey(RegistryRoot::kCurrentUser, L"Kept"), nullptr);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const auto newer = OpenSqliteRegistryStore(file_);
  EXPECT_EQ(newer->OpenKey(RegistryRoot::kCurrentUser, L"Kept", false), nullptr);
  EXPECT_EQ(newer->CreateKey(RegistryRoot::kCurrentUser, L"New"), nullptr);

  const std::string junk = folder_ + "/junk.sqlite3";
  std::ofstream(junk) << "not a database, and it stays that way\n";
  const auto store = OpenSqliteRegistryStore(junk);
  EXPECT_EQ(store->CreateKey(RegistryRoot::kCurrentUser, L"Software"), nullptr);
  EXPECT_EQ(store->DeleteKey(RegistryRoot::kCurrentUser, L"Software"), RegistryResult::kFailed);
  EXPECT_EQ(ReadFile(junk), "not a database, and it stays that way\n");
}

TEST_F(SqliteStoreTest, RefusesPathsWindowsWouldRefuse) {
  const auto store = OpenSqliteRegistryStore(file_);
  for (const std::wstring& path : {std::wstring(L"\\Leading"), std::wstring(L"Double\\\\Separator"),
                                   std::wstring(L"\\"), std::wstring(256, L'k')}) {
    EXPECT_EQ(store->CreateKey(RegistryRoot::kCurrentUser, path), nullptr) << path.size();
  }
  EXPECT_NE(store->CreateKey(RegistryRoot::kCurrentUser, std::wstring(255, L'k')), nullptr);
  EXPECT_NE(store->OpenKey(RegistryRoot::kCurrentUser, std::wstring(255, L'K') + L"\\", false),
            nullptr);
}

TEST_F(SqliteStoreTest, UnusableLocationFailsEveryOperation) {
  std::ofstream(folder_ + "/file") << "x";
  const auto store = OpenSqliteRegistryStore(folder_ + "/file/registry.sqlite3");
  EXPECT_EQ(store->CreateKey(RegistryRoot::kCurrentUser, L"Software"), nullptr);
  EXPECT_EQ(store->OpenKey(RegistryRoot::kCurrentUser, L"", false), nullptr);
  EXPECT_EQ(store->DeleteKey(RegistryRoot::kCurrentUser, L"Software"), RegistryResult::kFailed);
}

// Expects `expected` as the path with XDG_CONFIG_HOME and HOME set as given
// (null = unset); restores both afterwards.
void WithEnvironment(const char* xdg, const char* home, const std::string& expected) {
  const char* oldXdg = getenv("XDG_CONFIG_HOME");
  const char* oldHome = getenv("HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const std::string savedHome = oldHome ? oldHome : "";
  xdg ? setenv("XDG_CONFIG_HOME", xdg, 1) : unsetenv("XDG_CONFIG_HOME");
  home ? setenv("HOME", home, 1) : unsetenv("HOME");
  EXPECT_EQ(UserRegistryDatabasePath(), expected) << (xdg ? xdg : "(unset)");
  oldXdg ? setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}

TEST(UserRegistryDatabasePathTest, FollowsXdgConfigHome) {
  WithEnvironment("/x/conf", "/home/u", "/x/conf/tavrin/registry.sqlite3");
  WithEnvironment(nullptr, "/home/u", "/home/u/.config/tavrin/registry.sqlite3");
  WithEnvironment("", "/home/u", "/home/u/.config/tavrin/registry.sqlite3");
  WithEnvironment("relative/conf", "/home/u", "/home/u/.config/tavrin/registry.sqlite3");
}

#endif

}  // namespace
}  // namespace zefo
