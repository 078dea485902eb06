// The migration against the real registry (advapi32, under Wine): protocol
// commands written below HKEY_CLASSES_ROOT as an old launcher's installer
// leaves them, the registrations checked with the system's own reg.exe for
// their types, as an operator would look at them.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "migration/game_table.h"
#include "migration/migration_clock.h"
#include "migration/migration_worker.h"
#include "tests/support/test_folders.h"
#include "tests/support/win32/reg_exe_win32.h"
#include "updater/sys/registry_store.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;

// The machine's time without the two pauses.
class NoPauseClock final : public MigrationClock {
 public:
  void Sleep(unsigned) override {}
  std::int64_t NowSeconds() override { return system_.NowSeconds(); }

 private:
  SystemClock system_;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring RegistrationKey(const std::wstring& gameId) { return L"SOFTWARE\\Tavrin\\kr\\" + gameId; }

class MigrationRegistryTest : public ::testing::Test {
 protected:
  MigrationRegistryTest() { RemoveEverything(); }
  ~MigrationRegistryTest() override { RemoveEverything(); }

  // Every game's protocol and the registrations: the prefix is shared by
  // the tests of the build.
  void RemoveEverything() {
    for (const GameEntry& game : BuildGameTable()) {
      store_.DeleteKey(RegistryRoot::kClassesRoot, game.protocolId);
    }
    store_.DeleteKey(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin\\kr");
  }

  void SetCommand(const std::wstring& protocol, const std::wstring& command, std::uint32_t type = kRegSz) {
    const auto key = store_.CreateKey(RegistryRoot::kClassesRoot, protocol + L"\\shell\\open\\command");
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetValue(L"", type, EncodeRegString(command)), RegistryResult::kOk);
  }

  void RunMigration() {
    int closed = 0;
    EXPECT_EQ(MigrationWorker(store_, clock_, [&] { ++closed; }), 0u);
    EXPECT_EQ(closed, 1);
  }

  std::optional<RegExeValue> Query(const std::wstring& gameId, const std::wstring& value) {
    return QueryWithRegExe(RegistrationKey(gameId), value);
  }

  RegistryStore& store_ = UserRegistryStore();
  NoPauseClock clock_;
  TempFolder games_;
};

TEST_F(MigrationRegistryTest, RegistrationsHaveTheirTypesAsRegExeShowsThem) {
  // A blank and a letter beyond ASCII in the folder, as players' folders have.
  const fs::path bw = games_.path() / L"Sp\u00fcle Bw";
  WriteFileBytes(bw / "PatchInfo" / "Patch.ini", "[Info]\r\nversion=1052\r\nbuild=7\r\n");
  SetCommand(L"tavrin.bw.launcher", L"\"" + (bw / "Run.exe").wstring() + L"\" \"%1\"");
  const fs::path oxa = games_.path() / "Oxa";
  SetCommand(L"tavrin.oxamar.launcher.live", L"\"" + (oxa / "Launcher" / "OxaLauncher.exe").wstring() + L"\" \"%1\"",
             kRegExpandSz);

  const std::int64_t before = clock_.NowSeconds();
  RunMigration();
  const std::int64_t after = clock_.NowSeconds();

  const std::wstring bwFolder = bw.wstring() + L"\\";
  EXPECT_EQ(Query(L"bw-ko", L"FILENAME")->type, "REG_SZ");
  EXPECT_EQ(Query(L"bw-ko", L"FILENAME")->data, "Brightwater.exe");
  EXPECT_EQ(Query(L"bw-ko", L"PATH")->type, "REG_SZ");
  EXPECT_EQ(Query(L"bw-ko", L"VERSION")->type, "REG_DWORD");
  EXPECT_EQ(Query(L"bw-ko", L"VERSION")->data, "0x41c");
  EXPECT_EQ(Query(L"bw-ko", L"ZEFOTIME")->type, "REG_QWORD");
  EXPECT_EQ(Query(L"oxa", L"PATH")->data, Narrow(oxa.wstring() + L"\\"));
  EXPECT_EQ(Query(L"oxa", L"FILENAME")->data, "OxaLauncher.exe");
  EXPECT_EQ(Query(L"oxa", L"VERSION")->data, "0x0");
  EXPECT_EQ(Query(L"oxa", L"ZEFOTIME")->type, "REG_QWORD");

  // The text beyond ASCII and the time stamp's bytes, through advapi32.
  const auto key = store_.OpenKey(RegistryRoot::kCurrentUser, RegistrationKey(L"bw-ko"), false);
  ASSERT_TRUE(key);
  std::vector<std::uint8_t> data;
  std::uint32_t type = 0;
  ASSERT_EQ(key->QueryValue(L"PATH", 1024, &type, &data), RegistryResult::kOk);
  EXPECT_EQ(DecodeRegString(data), bwFolder);
  EXPECT_EQ(data.size(), 2 * bwFolder.size() + 2);
  ASSERT_EQ(key->QueryValue(L"ZEFOTIME", 8, &type, &data), RegistryResult::kOk);
  ASSERT_EQ(data.size(), 8u);
  std::int64_t stamp = 0;
  for (int i = 7; i >= 0; --i) stamp = stamp << 8 | data[i];
  EXPECT_GE(stamp, before - 60);
  EXPECT_LE(stamp, after - 60);
}

TEST_F(MigrationRegistryTest, ExistingRegistrationIsLeftAsItIs) {
  ASSERT_TRUE(store_.CreateKey(RegistryRoot::kCurrentUser, RegistrationKey(L"bw-ko")));
  SetCommand(L"tavrin.bw.launcher", L"\"" + (games_.path() / "Bw" / "Run.exe").wstring() + L"\" \"%1\"");

  RunMigration();

  for (const wchar_t* value : {L"PATH", L"FILENAME", L"VERSION", L"ZEFOTIME"}) {
    EXPECT_FALSE(Query(L"bw-ko", value)) << Narrow(value);
  }
}

}  // namespace
}  // namespace zefo::testing
