#include "migration/patch_info.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace zefo {
namespace {

constexpr std::int32_t kDefault = 77;

struct VersionCase {
  std::string file;
  std::int32_t expected;
};

TEST(PatchInfoTest, ReadsVersionFromFileText) {
  using namespace std::string_literals;
  const VersionCase cases[] = {
      {"[Info]\r\nversion=1052\r\nbuild=7\r\n", 1052},
      {"[Info]\nversion=1052\nbuild=7\n", 1052},
      {"[Info]\rversion=1052\rbuild=7\r", 1052},
      {"[Info]\r\nversion=17", 17},  // last line without line end
      {"version=abc\r\n", 0},
      {"version=\r\n", 0},
      {"version=  42 \r\n", 42},
      {"version=+8\r\n", 8},
      {"version=-3\r\n", -3},
      {"version=12b\r\n", 12},
      // Anywhere in the file, the first one counts, letter case matters.
      {"[Info]\r\nbuild=7 oldversion=5\r\nversion=6\r\n", 5},
      {"version=3\r\nversion=4\r\n", 3},
      {"Version=5\r\n", kDefault},
      {"VERSION=5\r\n", kDefault},
      {"version 5\r\n", kDefault},
      {"", kDefault},
      // The text ends at the first zero byte.
      {"[Info]\r\n\0version=9\r\n"s, kDefault},
      {"version=9\0 garbage"s, 9},
      // Text around the line in other scripts does not matter.
      {"; \xED\x8C\xA8\xEC\xB9\x98 \xC3\xA9t\xC3\xA9\r\nversion=31\r\n", 31},
      // Signed 32-bit limits, saturating beyond.
      {"version=2147483647\r\n", 2147483647},
      {"version=2147483648\r\n", 2147483647},
      {"version=99999999999999999999999\r\n", 2147483647},
      {"version=-2147483648\r\n", -2147483647 - 1},
      {"version=-2147483649\r\n", -2147483647 - 1},
      {"version=-99999999999999999999999\r\n", -2147483647 - 1},
      {"version=4294967297\r\n", 2147483647},  // not wrapped to 1
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "file: " << ::testing::PrintToString(c.file));
    EXPECT_EQ(VersionFromPatchInfo(c.file, kDefault), c.expected);
  }
}

class PatchInfoFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("zefo_patch_info_" + std::to_string(counter++) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "PatchInfo");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void WritePatchInfo(const std::string& bytes) {
    std::ofstream(dir_ / "PatchInfo" / "Patch.ini", std::ios::binary) << bytes;
  }
  // The game folder as an old launcher's command would name it, separator last.
  std::wstring Folder() const {
    return dir_.wstring() + static_cast<wchar_t>(std::filesystem::path::preferred_separator);
  }

  std::filesystem::path dir_;
};

TEST_F(PatchInfoFileTest, ReadsVersionBelowGameFolder) {
  WritePatchInfo("[Info]\r\nversion=1052\r\nbuild=7\r\n");
  EXPECT_EQ(ReadGameVersion(Folder(), L"PatchInfo\\Patch.ini", 1), 1052);
}

TEST_F(PatchInfoFileTest, KeepsDefaultWithoutFileOrPath) {
  EXPECT_EQ(ReadGameVersion(Folder(), L"PatchInfo\\Patch.ini", 1), 1);
  EXPECT_EQ(ReadGameVersion(Folder() + L"Missing\\", L"PatchInfo\\Patch.ini", 0), 0);

  WritePatchInfo("version=1052\r\n");
  EXPECT_EQ(ReadGameVersion(Folder(), L"", 4), 4);  // no path in the table: not read
}

TEST_F(PatchInfoFileTest, FolderInsteadOfFileKeepsDefault) {
  std::filesystem::create_directories(dir_ / "PatchInfo" / "Patch.ini");
  EXPECT_EQ(ReadGameVersion(Folder(), L"PatchInfo\\Patch.ini", 3), 3);
}

}  // namespace
}  // namespace zefo
