// How the Windows folders of old launchers' commands find files on Linux.
#include "migration/patch_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "updater/sys/text.h"

namespace zefo {
namespace {

class PatchInfoPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("zefo_patch_info_posix_" + std::string(::testing::UnitTest::GetInstance()
                                                       ->current_test_info()
                                                       ->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "Game Folder" / "patchinfo");
    std::ofstream(dir_ / "Game Folder" / "patchinfo" / "PATCH.INI", std::ios::binary)
        << "version=205\r\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::wstring GameFolder() const { return ToWideString((dir_ / "Game Folder").string()) + L"/"; }

  std::filesystem::path dir_;
};

TEST_F(PatchInfoPosixTest, SlashFolderFindsFileWhateverItsLetterCase) {
  EXPECT_EQ(ReadGameVersion(GameFolder(), L"PatchInfo\\Patch.ini", 1), 205);
}

TEST_F(PatchInfoPosixTest, BackslashFolderNamesTheSameLinuxFolder) {
  std::wstring folder = GameFolder();
  std::replace(folder.begin(), folder.end(), L'/', L'\\');
  EXPECT_EQ(ReadGameVersion(folder, L"PatchInfo\\Patch.ini", 1), 205);
}

TEST_F(PatchInfoPosixTest, DriveAndShareFoldersAreNotFound) {
  // Even when a folder of that name lies in the current folder.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::create_directories(dir_ / "D:" / "Game" / "PatchInfo");
  std::ofstream(dir_ / "D:" / "Game" / "PatchInfo" / "Patch.ini") << "version=9\r\n";
  std::filesystem::current_path(dir_);
  EXPECT_EQ(ReadGameVersion(L"D:\\Game\\", L"PatchInfo\\Patch.ini", 1), 1);
  EXPECT_EQ(ReadGameVersion(L"d:/Game/", L"PatchInfo\\Patch.ini", 1), 1);
  EXPECT_EQ(ReadGameVersion(L"\\\\server\\Game\\", L"PatchInfo\\Patch.ini", 1), 1);
  // A relative folder is taken from the current folder, as on Windows.
  EXPECT_EQ(ReadGameVersion(L"Game Folder\\", L"PatchInfo\\Patch.ini", 1), 205);
  std::filesystem::current_path(before);
}

}  // namespace
}  // namespace zefo
