// The real TavrinMigration killed with SIGKILL while it registers the games,
// then run again: every game it finds ends with its four values, whatever
// moment the kill chose.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/child_process.h"
#include "tests/hardening/kill_support.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/sys/registry_store.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kMigrationProgram = TAVRIN_MIGRATION_PROGRAM;

// Every game of the table, each with an open command its old launcher left.
const std::map<std::wstring, std::wstring> kProtocols = {
    {L"tavrin.iron-harbor.launcher", L"iron-harbor"}, {L"tavrin.skygarden.launcher", L"sky-garden"},
    {L"tavrin.oxamar.launcher.live", L"oxa"},         {L"tavrin.mf.launcher", L"mirefall"},
    {L"tavrin.bw.launcher", L"bw-ko"},                {L"StormKeep", L"stormkeep"},
    {L"tavrin.qd.launcher", L"qd"},                   {L"m7drift-ko", L"m7drift-ko"},
    {L"tavrin.tidewatch.launcher.korean", L"tidewatch-ko"}, {L"tavrin.velka.launcher", L"velka-ko"},
    {L"tavrin.k4-gl-kr.launcher.live", L"k4-gl"},     {L"tavrin.hollin-ko.launcher.live", L"hollin-ko"},
};

std::wstring GameKey(const std::wstring& gameId) { return L"SOFTWARE\\Tavrin\\kr\\" + gameId; }

class MigrationKillTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseTemporaryRegistry(); }

  void SetUp() override {
    RegistryStore& store = UserRegistryStore();
    store.DeleteKey(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin");
    for (const auto& [protocol, gameId] : kProtocols) {
      const auto key = store.CreateKey(RegistryRoot::kClassesRoot, protocol + L"\\shell\\open\\command");
      ASSERT_TRUE(key);
      const std::wstring command = L"\"C:\\Games\\" + gameId + L"\\Run.exe\" \"%1\"";
      ASSERT_EQ(key->SetValue(L"", kRegSz, EncodeRegString(command)), RegistryResult::kOk);
    }
  }

  void TearDown() override {
    RegistryStore& store = UserRegistryStore();
    store.DeleteKey(RegistryRoot::kCurrentUser, L"SOFTWARE\\Tavrin");
    for (const auto& [protocol, gameId] : kProtocols) store.DeleteKey(RegistryRoot::kClassesRoot, protocol);
  }

  static bool Registered(const std::wstring& gameId) {
    return UserRegistryStore().OpenKey(RegistryRoot::kCurrentUser, GameKey(gameId), false) != nullptr;
  }

  // The names of the game's values, in order; none when the key is missing.
  static std::vector<std::wstring> ValueNames(const std::wstring& gameId) {
    std::vector<std::wstring> names;
    const auto key = UserRegistryStore().OpenKey(RegistryRoot::kCurrentUser, GameKey(gameId), false);
    if (!key) return names;
    for (const RegistryValue& value : key->Values()) names.push_back(value.name);
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(MigrationKillTest, KilledWhileRegisteringThenRunAgainGivesEveryGameItsFourValues) {
  // Each kill comes as soon as a key appears: its values are being written.
  const std::vector<std::wstring> killAt = {L"iron-harbor", L"mirefall", L"m7drift-ko", L"hollin-ko"};
  for (const std::wstring& gameId : killAt) {
    ChildProcess migration(kMigrationProgram, {}, {});
    const bool killed = KillWhen(migration, [&](auto) { return Registered(gameId); }, 30s);
    EXPECT_TRUE(killed) << "the run ended before it wrote " << std::string(gameId.begin(), gameId.end());
  }

  const RunResult full = RunToEnd(kMigrationProgram, {}, {}, 30s);
  ASSERT_TRUE(full.exit && full.exit->exited && full.exit->code == 0) << full.output;
  const std::vector<std::wstring> four = {L"FILENAME", L"PATH", L"VERSION", L"ZEFOTIME"};
  for (const auto& [protocol, gameId] : kProtocols) {
    EXPECT_EQ(ValueNames(gameId), four) << std::string(gameId.begin(), gameId.end());
  }
}

}  // namespace
}  // namespace zefo::testing
