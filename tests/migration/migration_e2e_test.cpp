// The real TavrinMigration against a registry store prepared with zefo-reg,
// as an older launcher's installer would have left it.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/migration/program_run.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The program pauses 3.5 s by design; anything far beyond is a hang.
constexpr std::chrono::seconds kProgramLimit{30};
constexpr std::chrono::seconds kToolLimit{10};

struct StoredValue {
  std::string type;
  std::string data;
  bool operator==(const StoredValue& other) const {
    return type == other.type && data == other.data;
  }
};

void PrintTo(const StoredValue& value, std::ostream* out) {
  *out << value.type << " \"" << value.data << "\"";
}

class MigrationE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    root_ = fs::temp_directory_path() /
            ("zefo-migration-e2e-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(root_);
    fs::create_directories(root_ / "config");
    // Both programs find the store below XDG_CONFIG_HOME.
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(root_); }

  // A game folder with its patch-information file; the folder with '/' last.
  std::string GameFolder(const std::string& name, const std::string& patchInfoRelative,
                         const std::string& patchInfo) {
    const fs::path folder = root_ / "games" / name;
    fs::create_directories((folder / patchInfoRelative).parent_path());
    std::ofstream(folder / patchInfoRelative, std::ios::binary) << patchInfo;
    return folder.string() + "/";
  }

  static std::string WithBackslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }

  ProgramResult Reg(const std::vector<std::string>& arguments) {
    return RunProgram(ZEFO_REG_PATH, arguments, kToolLimit);
  }

  void RegOk(const std::vector<std::string>& arguments) {
    const ProgramResult result = Reg(arguments);
    ASSERT_EQ(result.exitCode, 0) << "zefo-reg " << ::testing::PrintToString(arguments);
  }

  void SetCommand(const std::string& protocol, const std::string& command,
                  const std::string& type = "sz") {
    RegOk({"set", "HKCR\\" + protocol + "\\shell\\open\\command", "", type, command});
  }

  static std::string GameKey(const std::string& gameId) {
    return "HKCU\\SOFTWARE\\Tavrin\\kr\\" + gameId;
  }

  // Every value of a key as zefo-reg prints it (NAME <TAB> TYPE <TAB> DATA,
  // one a line); nothing when the key is missing.
  std::optional<std::string> Values(const std::string& key) {
    const ProgramResult result = Reg({"get", key});
    if (result.exitCode != 0) return std::nullopt;
    return result.output;
  }

  std::map<std::string, StoredValue> ParsedValues(const std::string& key) {
    std::map<std::string, StoredValue> values;
    std::istringstream lines(Values(key).value_or(""));
    for (std::string line; std::getline(lines, line);) {
      const std::size_t first = line.find('\t');
      const std::size_t second = line.find('\t', first + 1);
      if (second == std::string::npos) continue;
      values[line.substr(0, first)] =
          StoredValue{line.substr(first + 1, second - first - 1), line.substr(second + 1)};
    }
    return values;
  }

  // The four values and nothing else, the time stamp a minute before a
  // moment between `earliest` and `latest`.
  void ExpectRegistration(const std::string& gameId, const std::string& path,
                          const std::string& fileName, int version, std::int64_t earliest,
                          std::int64_t latest) {
    SCOPED_TRACE("game " + gameId);
    std::map<std::string, StoredValue> values = ParsedValues(GameKey(gameId));
    ASSERT_EQ(values.size(), 4u) << Values(GameKey(gameId)).value_or("(no key)");
    EXPECT_EQ(values["PATH"], (StoredValue{"sz", path}));
    EXPECT_EQ(values["FILENAME"], (StoredValue{"sz", fileName}));
    EXPECT_EQ(values["VERSION"], (StoredValue{"dword", std::to_string(version)}));
    EXPECT_EQ(values["ZEFOTIME"].type, "qword");
    const std::int64_t stamp = std::stoll(values["ZEFOTIME"].data);
    EXPECT_GE(stamp, earliest - 60);
    EXPECT_LE(stamp, latest - 60);
  }

  ProgramResult RunMigration() {
    const ProgramResult result = RunProgram(TAVRIN_MIGRATION_PATH, {}, kProgramLimit);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Scanning ZEFO KR\n");
    return result;
  }

  static std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

  fs::path root_;
};

TEST_F(MigrationE2eTest, RegistersFoundGamesOnceWithoutTouchingExistingKeys) {
  // Row 1: quoted command; the version file ends its lines with CR LF.
  const std::string ironHarbor =
      GameFolder("Iron Harbor", "PatchInfo/Patch.ini", "[Info]\r\nversion=1052\r\nbuild=7\r\n");
  SetCommand("tavrin.iron-harbor.launcher", "\"" + ironHarbor + "IHLauncher.exe\" \"%1\"");
  // Row 3: a Windows-style folder; its "Launcher" subfolder comes off.
  const std::string oxa = WithBackslashes((root_ / "games" / "Oxa").string()) + "\\";
  SetCommand("tavrin.oxamar.launcher.live", "\"" + oxa + "Launcher\\OxaLauncher.exe\" \"%1\"");
  // Row 4: a bare file name, stored unexpanded.
  SetCommand("tavrin.mf.launcher", "Play.exe %1", "expand_sz");
  // Row 5: a drive folder has no counterpart here: the default version.
  SetCommand("tavrin.bw.launcher", "\"D:\\Games\\Bw\\Run.exe\" \"%1\"");
  // Row 8: unquoted, '\' separators, a blank in the folder, the version file
  // named in other letter case and its last line without a line end.
  const std::string m7 = WithBackslashes(
      GameFolder("M7 Drift", "patchinfo/PATCH.ini", "[Info]\nversion=17"));
  SetCommand("m7drift-ko", m7 + "m7.EXE -url %1");
  // Row 2 is registered already, with an empty key; row 6 with old values.
  SetCommand("tavrin.skygarden.launcher", "\"C:\\Sky\\Sky.exe\" \"%1\"");
  RegOk({"mkkey", GameKey("sky-garden")});
  SetCommand("StormKeep", "\"C:\\Storm\\Storm.exe\" \"%1\"");
  RegOk({"set", GameKey("stormkeep"), "PATH", "sz", "C:\\Old\\"});
  // Row 7: a protocol key without a command; row 9: an unclosed quote.
  RegOk({"mkkey", "HKCR\\tavrin.qd.launcher\\shell\\open\\command"});
  SetCommand("tavrin.tidewatch.launcher.korean", "\"C:\\Tide\\TW.exe %1");

  const std::int64_t before = Now();
  RunMigration();
  const std::int64_t after = Now();

  ExpectRegistration("iron-harbor", ironHarbor, "IronHarbor.exe", 1052, before, after);
  ExpectRegistration("oxa", oxa, "OxaLauncher.exe", 0, before, after);
  ExpectRegistration("mirefall", "", "Play.exe", 0, before, after);
  ExpectRegistration("bw-ko", "D:\\Games\\Bw\\", "Brightwater.exe", 1, before, after);
  ExpectRegistration("m7drift-ko", m7, "Game.exe", 17, before, after);

  EXPECT_EQ(Values(GameKey("sky-garden")), "");
  EXPECT_EQ(Values(GameKey("stormkeep")), "PATH\tsz\tC:\\Old\\\n");
  for (const char* gameId : {"qd", "tidewatch-ko", "velka-ko", "k4-gl", "hollin-ko"}) {
    EXPECT_FALSE(Values(GameKey(gameId))) << gameId;
  }

  // A second run writes only the game installed since.
  std::vector<std::optional<std::string>> firstRun;
  const std::vector<std::string> written = {"iron-harbor", "oxa",       "mirefall", "bw-ko",
                                            "m7drift-ko",  "sky-garden", "stormkeep"};
  for (const std::string& gameId : written) firstRun.push_back(Values(GameKey(gameId)));
  SetCommand("tavrin.velka.launcher", "\"C:\\Velka\\Velka.exe\" \"%1\"");

  const std::int64_t again = Now();
  RunMigration();
  ExpectRegistration("velka-ko", "C:\\Velka\\", "TavrinVelkaclassic.exe", 1, again, Now());
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(Values(GameKey(written[i])), firstRun[i]) << written[i];
  }
}

TEST_F(MigrationE2eTest, WithNoGameInstalledWritesNothingAndEndsAfterItsPauses) {
  const ProgramResult result = RunMigration();
  EXPECT_GE(result.elapsed, 3500ms);
  EXPECT_FALSE(Values("HKCU\\SOFTWARE\\Tavrin"));
}

}  // namespace
}  // namespace zefo::testing
