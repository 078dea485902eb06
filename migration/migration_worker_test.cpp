#include "migration/migration_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "migration/memory_registry_store.h"

namespace zefo {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MemoryRegistryStore;
using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kNow = 1700000000;

// Writes what happens, in order, into one list shared with the window.
class FakeClock final : public MigrationClock {
 public:
  explicit FakeClock(std::vector<std::string>* events) : events_(events) {}
  void Sleep(unsigned milliseconds) override {
    events_->push_back("sleep " + std::to_string(milliseconds));
  }
  std::int64_t NowSeconds() override {
    events_->push_back("now");
    return kNow;
  }

 private:
  std::vector<std::string>* events_;
};

// REG_SZ bytes of ASCII text, written out by hand: UTF-16LE and a zero.
Bytes Sz(const std::wstring& text) {
  Bytes bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

Bytes LittleEndian(std::uint64_t value, int size) {
  Bytes bytes;
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return bytes;
}

struct Registration {
  std::wstring path;
  std::wstring fileName;
  std::int32_t version;
};

class MigrationWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("zefo_migration_worker_" + std::to_string(counter++) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void SetCommand(const std::wstring& protocol, const std::wstring& command,
                  std::uint32_t type = kRegSz) {
    store_.Put(RegistryRoot::kClassesRoot, protocol + L"\\shell\\open\\command", L"", type,
               Sz(command));
  }

  // A game folder below the test folder, separator last, as a command names it.
  std::wstring GameFolder(const std::string& name, const std::string& patchInfo = "") {
    const std::filesystem::path folder = dir_ / name;
    std::filesystem::create_directories(folder / "PatchInfo");
    if (!patchInfo.empty()) {
      std::ofstream(folder / "PatchInfo" / "Patch.ini", std::ios::binary) << patchInfo;
    }
    return folder.wstring() + static_cast<wchar_t>(std::filesystem::path::preferred_separator);
  }

  unsigned Run() {
    return MigrationWorker(store_, clock_, [this] { events_.push_back("close"); });
  }

  const MemoryRegistryStore::Key* Registered(const std::wstring& gameId) const {
    return store_.Find(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr\\" + gameId);
  }

  void ExpectRegistration(const std::wstring& gameId, const Registration& expected) {
    SCOPED_TRACE(::testing::Message() << "game " << gameId);
    const MemoryRegistryStore::Key* key = Registered(gameId);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 4u);
    const RegistryValue& path = key->values[0];
    const RegistryValue& fileName = key->values[1];
    const RegistryValue& version = key->values[2];
    const RegistryValue& time = key->values[3];
    EXPECT_EQ(path.name, L"PATH");
    EXPECT_EQ(path.type, kRegSz);
    EXPECT_EQ(path.data, Sz(expected.path));
    EXPECT_EQ(fileName.name, L"FILENAME");
    EXPECT_EQ(fileName.type, kRegSz);
    EXPECT_EQ(fileName.data, Sz(expected.fileName));
    EXPECT_EQ(version.name, L"VERSION");
    EXPECT_EQ(version.type, kRegDword);
    EXPECT_EQ(version.data, LittleEndian(static_cast<std::uint32_t>(expected.version), 4));
    EXPECT_EQ(time.name, L"ZEFOTIME");
    EXPECT_EQ(time.type, kRegQword);
    EXPECT_EQ(time.data, LittleEndian(kNow - 60, 8));
  }

  std::filesystem::path dir_;
  MemoryRegistryStore store_;
  std::vector<std::string> events_;
  FakeClock clock_{&events_};
};

TEST_F(MigrationWorkerTest, RegistersInstalledGamesWithFourValues) {
  const std::wstring ironHarbor =
      GameFolder("Iron Harbor", "[Info]\r\nversion=1052\r\nbuild=7\r\n");
  SetCommand(L"tavrin.iron-harbor.launcher", L"\"" + ironHarbor + L"IHLauncher.exe\" \"%1\"");
  SetCommand(L"tavrin.oxamar.launcher.live",
             L"\"C:\\Games\\Oxa\\Launcher\\OxaLauncher.exe\" \"%1\"");
  SetCommand(L"tavrin.mf.launcher", L"Play.exe %1", kRegExpandSz);
  SetCommand(L"StormKeep", L"D:\\Program Files\\Storm Keep\\SK.EXE -url %1");

  EXPECT_EQ(Run(), 0u);

  ExpectRegistration(L"iron-harbor", {ironHarbor, L"IronHarbor.exe", 1052});
  ExpectRegistration(L"oxa", {L"C:\\Games\\Oxa\\", L"OxaLauncher.exe", 0});
  ExpectRegistration(L"mirefall", {L"", L"Play.exe", 0});
  ExpectRegistration(L"stormkeep", {L"D:\\Program Files\\Storm Keep\\", L"SK.EXE", 1});
  // And the region's key above them, which carries the mark while one is written.
  EXPECT_EQ(store_.KeyPaths(RegistryRoot::kCurrentUser).size(), 5u);

  const std::wstring key = L"software\\tavrin\\kr\\oxa";
  const std::vector<std::wstring>& changes = store_.Changes();
  const auto first = std::find(changes.begin(), changes.end(), L"create " + key);
  ASSERT_GE(changes.end() - first, 6);
  EXPECT_THAT(std::vector<std::wstring>(first, first + 6),
              ElementsAre(L"create " + key, L"set " + key + L" PATH", L"set " + key + L" FILENAME",
                          L"set " + key + L" VERSION", L"set " + key + L" ZEFOTIME",
                          L"flush " + key));
}

TEST_F(MigrationWorkerTest, RegistersEveryGameOfTheTableBelowRegionKr) {
  struct Row {
    const wchar_t* protocolId;
    const wchar_t* gameId;
    const wchar_t* path;
    const wchar_t* fileName;
    std::int32_t version;
  };
  // C:\ is not found on Linux, and these folders are missing on Windows:
  // every version is the table's default.
  const Row rows[] = {
      {L"tavrin.iron-harbor.launcher", L"iron-harbor", L"C:\\Zefo\\1\\", L"IronHarbor.exe", 1},
      {L"tavrin.skygarden.launcher", L"sky-garden", L"C:\\Zefo\\2\\", L"Petalis.exe", 1},
      {L"tavrin.oxamar.launcher.live", L"oxa", L"C:\\Zefo\\3\\", L"Start.exe", 0},
      {L"tavrin.mf.launcher", L"mirefall", L"C:\\Zefo\\4\\", L"Start.exe", 0},
      {L"tavrin.bw.launcher", L"bw-ko", L"C:\\Zefo\\5\\", L"Brightwater.exe", 1},
      {L"StormKeep", L"stormkeep", L"C:\\Zefo\\6\\", L"Start.exe", 1},
      {L"tavrin.qd.launcher", L"qd", L"C:\\Zefo\\7\\", L"Start.exe", 0},
      {L"m7drift-ko", L"m7drift-ko", L"C:\\Zefo\\8\\", L"Game.exe", 1},
      {L"tavrin.tidewatch.launcher.korean", L"tidewatch-ko", L"C:\\Zefo\\9\\", L"TWLauncher.exe",
       1},
      {L"tavrin.velka.launcher", L"velka-ko", L"C:\\Zefo\\10\\", L"TavrinVelkaclassic.exe", 1},
      {L"tavrin.k4-gl-kr.launcher.live", L"k4-gl", L"C:\\Zefo\\11\\", L"K4.exe", 1},
      {L"tavrin.hollin-ko.launcher.live", L"hollin-ko", L"C:\\Zefo\\12\\", L"HollinClient.exe",
       1},
  };
  for (const Row& row : rows) {
    // Row 3's launcher lies in its "Launcher" subfolder, which comes off.
    const std::wstring sub = std::wstring(row.gameId) == L"oxa" ? L"Launcher\\" : L"";
    SetCommand(row.protocolId, L"\"" + std::wstring(row.path) + sub + L"Start.exe\" \"%1\"");
  }

  Run();

  for (const Row& row : rows) {
    ExpectRegistration(row.gameId, {row.path, row.fileName, row.version});
  }
  EXPECT_EQ(store_.KeyPaths(RegistryRoot::kCurrentUser).size(), 13u);  // and the region's key
}

TEST_F(MigrationWorkerTest, ExistingRegistrationIsNeverTouched) {
  SetCommand(L"tavrin.skygarden.launcher", L"\"C:\\Games\\Sky\\Petalis.exe\" \"%1\"");
  SetCommand(L"StormKeep", L"\"C:\\Games\\Storm\\SK.exe\" \"%1\"");
  store_.PutKey(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr\\sky-garden");
  store_.Put(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\KR\\StormKeep", L"PATH", kRegSz,
             Sz(L"stale"));

  Run();

  ASSERT_NE(Registered(L"sky-garden"), nullptr);
  EXPECT_THAT(Registered(L"sky-garden")->values, IsEmpty());
  ASSERT_NE(Registered(L"stormkeep"), nullptr);
  ASSERT_EQ(Registered(L"stormkeep")->values.size(), 1u);
  EXPECT_EQ(Registered(L"stormkeep")->values[0].data, Sz(L"stale"));
  EXPECT_THAT(store_.Changes(), IsEmpty());
}

TEST_F(MigrationWorkerTest, PassesOverGamesWithoutUsableCommand) {
  // Row 1 has no protocol key at all.
  store_.Put(RegistryRoot::kClassesRoot, L"tavrin.skygarden.launcher\\shell\\open\\command",
             L"other", kRegSz, Sz(L"\"C:\\Sky\\Petalis.exe\""));  // no default value
  SetCommand(L"tavrin.oxamar.launcher.live", L"\"C:\\Games\\Oxa\\Launcher\\Oxa.exe %1");
  SetCommand(L"tavrin.mf.launcher", L"");
  SetCommand(L"tavrin.bw.launcher", L"\"\" \"%1\"");
  store_.PutKey(RegistryRoot::kClassesRoot, L"StormKeep\\shell\\open");  // no command key

  Run();

  EXPECT_THAT(store_.KeyPaths(RegistryRoot::kCurrentUser), IsEmpty());
  EXPECT_THAT(store_.Changes(), IsEmpty());
}

TEST_F(MigrationWorkerTest, CommandOfMoreThan2048BytesPassesGameOver) {
  // 1,023 characters and the zero: 2,048 bytes, read whole.
  const std::wstring fits = L"C:\\G\\" + std::wstring(1014, L'a') + L".exe";
  ASSERT_EQ(Sz(fits).size(), kCommandBufferBytes);
  SetCommand(L"tavrin.mf.launcher", fits);
  // 1,024 characters and the zero: 2,050 bytes.
  SetCommand(L"tavrin.qd.launcher", L"C:\\G\\" + std::wstring(1015, L'b') + L".exe");
  // 2,048 bytes without a zero: the text ends with the data.
  Bytes unterminated = Sz(L"C:\\G\\" + std::wstring(1015, L'c') + L".exe");
  unterminated.resize(kCommandBufferBytes);
  store_.Put(RegistryRoot::kClassesRoot, L"StormKeep\\shell\\open\\command", L"", kRegSz,
             unterminated);

  Run();

  ExpectRegistration(L"mirefall", {L"C:\\G\\", std::wstring(1014, L'a') + L".exe", 0});
  EXPECT_EQ(Registered(L"qd"), nullptr);
  ExpectRegistration(L"stormkeep", {L"C:\\G\\", std::wstring(1015, L'c') + L".exe", 1});
}

TEST_F(MigrationWorkerTest, PausesBeforeAndAfterThenClosesTheWindow) {
  EXPECT_EQ(Run(), 0u);
  EXPECT_THAT(events_, ElementsAre("sleep 500", "sleep 3000", "close"));
  EXPECT_THAT(store_.Changes(), IsEmpty());

  events_.clear();
  SetCommand(L"tavrin.qd.launcher", L"\"C:\\Games\\Qd\\Qd.exe\" \"%1\"");
  Run();
  // The time stamp is taken while the game is written.
  EXPECT_THAT(events_, ElementsAre("sleep 500", "now", "sleep 3000", "close"));
}

TEST_F(MigrationWorkerTest, FailedKeyCreationWritesNothing) {
  SetCommand(L"tavrin.qd.launcher", L"\"C:\\Games\\Qd\\Qd.exe\" \"%1\"");
  SetCommand(L"StormKeep", L"\"C:\\Games\\Storm\\SK.exe\" \"%1\"");
  store_.failCreate = true;

  Run();

  // Without the region's key to carry the mark, no game key is begun.
  EXPECT_THAT(store_.KeyPaths(RegistryRoot::kCurrentUser), IsEmpty());
  EXPECT_THAT(store_.Changes(), ElementsAre(L"create software\\tavrin\\kr", L"create software\\tavrin\\kr"));
}

TEST_F(MigrationWorkerTest, FailedWriteTakesTheNewKeyAwaySoALaterRunRetries) {
  SetCommand(L"tavrin.qd.launcher", L"\"C:\\Games\\Qd\\Qd.exe\" \"%1\"");
  store_.failingValueNames = {L"VERSION"};

  Run();

  const std::wstring region = L"software\\tavrin\\kr";
  const std::wstring key = region + L"\\qd";
  EXPECT_EQ(Registered(L"qd"), nullptr);
  EXPECT_THAT(store_.Changes(),
              ElementsAre(L"create " + region, L"set " + region + L" ZEFOMIGRATING", L"create " + key,
                          L"set " + key + L" PATH", L"set " + key + L" FILENAME",
                          L"set " + key + L" VERSION", L"delete " + key, L"flush " + region));
  EXPECT_THAT(store_.Find(RegistryRoot::kCurrentUser, region)->values, IsEmpty());

  store_.failingValueNames.clear();
  Run();
  ExpectRegistration(L"qd", {L"C:\\Games\\Qd\\", L"Qd.exe", 0});
}

TEST_F(MigrationWorkerTest, KeyLeftHalfWrittenByAnEndedRunIsWrittenAgain) {
  SetCommand(L"tavrin.qd.launcher", L"\"C:\\Games\\Qd\\Qd.exe\" \"%1\"");
  SetCommand(L"StormKeep", L"\"C:\\Games\\Storm\\SK.exe\" \"%1\"");
  // A run ended while it wrote qd: its key holds PATH only, and the mark names it.
  store_.Put(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr\\qd", L"PATH", kRegSz, Sz(L"C:\\Games\\Qd\\"));
  store_.Put(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr", L"ZEFOMIGRATING", kRegSz, Sz(L"qd"));
  // An empty key that no mark names is someone else's.
  store_.PutKey(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr\\stormkeep");

  Run();

  ExpectRegistration(L"qd", {L"C:\\Games\\Qd\\", L"Qd.exe", 0});
  ASSERT_NE(Registered(L"stormkeep"), nullptr);
  EXPECT_THAT(Registered(L"stormkeep")->values, IsEmpty());
  EXPECT_THAT(store_.Find(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr")->values, IsEmpty());
}

}  // namespace
}  // namespace zefo
