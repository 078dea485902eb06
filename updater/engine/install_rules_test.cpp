#include "updater/engine/install_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/support/test_folders.h"
#include "updater/sys/file_system.h"

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::ProgramFolder;

TEST(SplitFileName, TakesTheLastComponentAndItsLastDot) {
  struct Case {
    const wchar_t* path;
    const wchar_t* base;
    const wchar_t* extension;
  } cases[] = {
      {L"x64/ZLauncher.exe", L"ZLauncher", L".exe"},
      {L"x64\\libcurl.dll", L"libcurl", L".dll"},
      {L"MoveFiles.inf", L"MoveFiles", L".inf"},
      {L"archive.tar.gz", L"archive.tar", L".gz"},
      {L"dir.d/README", L"README", L""},
      {L"sub/ZEFOLauncher_New.exe", L"ZEFOLauncher_New", L".exe"},
  };
  for (const Case& c : cases) {
    const FileNameParts parts = SplitFileName(c.path);
    EXPECT_EQ(parts.base, c.base) << c.path;
    EXPECT_EQ(parts.extension, c.extension) << c.path;
  }
  EXPECT_EQ(LowercaseFileName(SplitFileName(L"sub/ZEFOLauncher_New.EXE")), L"zefolauncher_new.exe");
}

TEST(SetAsideFor, ComparesTheExtensionExactly) {
  EXPECT_EQ(SetAsideFor(L".exe"), SetAside::kKeepOld);
  EXPECT_EQ(SetAsideFor(L".dll"), SetAside::kRemoveOld);
  for (const wchar_t* other : {L".EXE", L".Dll", L".inf", L".txt", L""}) {
    EXPECT_EQ(SetAsideFor(other), SetAside::kNone) << other;
  }
}

TEST(InstallTargetPath, StaysBelowTheFolder) {
  ProgramFolder program;
  const std::wstring folder = CurrentFolder();
  std::wstring expected = folder + L"/x64/ZLauncher.exe";
  std::replace(expected.begin(), expected.end(), L'\\', L'/');
  EXPECT_EQ(InstallTargetPath(folder, "x64/ZLauncher.exe"), expected);
  EXPECT_EQ(InstallTargetPath(folder, "x64\\ZLauncher.exe"), expected);
  for (const char* unsafe : {"", "../evil.dll", "x64/../../evil.dll", "..\\evil.dll", "/etc/evil",
                             "\\evil.dll", "C:/evil.dll", "C:evil.dll", "\\\\server\\share\\x", "."}) {
    EXPECT_EQ(InstallTargetPath(folder, unsafe), L"") << unsafe;
  }
}

TEST(InstallTargetPath, RefusesWhatDoesNotFitInsteadOfCuttingIt) {
  ProgramFolder program;
  const std::wstring folder = CurrentFolder();
  const std::string fits(510 - folder.size() - 1, 'a');  // folder + "/" + name = 510
  EXPECT_EQ(InstallTargetPath(folder, fits).size(), 510u);
  EXPECT_EQ(InstallTargetPath(folder, fits + "b").size(), 511u);
  EXPECT_EQ(InstallTargetPath(folder, fits + "bc"), L"");
}

#ifndef _WIN32
TEST(InstallTargetPath, MatchesExistingNamesIgnoringCaseAsWindowsDoes) {
  ProgramFolder program;
  program.Write("X64/zlauncher.exe", "old");
  const std::wstring folder = CurrentFolder();
  EXPECT_EQ(InstallTargetPath(folder, "x64/ZLauncher.exe"), folder + L"/X64/zlauncher.exe");
}
#endif

class InstallFileTest : public ::testing::Test {
 protected:
  std::wstring Path(const std::string& relative) const { return CurrentFolder() + L"/" + fs::u8path(relative).wstring(); }
  void Stage(const std::string& bytes) { program_.Write("staged", bytes); }
  ProgramFolder program_;
};

TEST_F(InstallFileTest, NewFileCreatesItsFoldersAndNothingIsSetAside) {
  Stage("new");
  ASSERT_TRUE(InstallFile(Path("staged"), Path("a/b/ZLauncher.exe"), SetAside::kKeepOld));
  EXPECT_EQ(program_.Read("a/b/ZLauncher.exe"), "new");
  EXPECT_FALSE(program_.Exists("a/b/ZLauncher.exe.old"));
}

TEST_F(InstallFileTest, SetAsideRules) {
  struct Case {
    SetAside rule;
    bool oldStays;
  } cases[] = {{SetAside::kKeepOld, true}, {SetAside::kRemoveOld, false}, {SetAside::kNone, false}};
  for (const Case& c : cases) {
    program_.Write("x86/file", "previous");
    Stage("next");
    ASSERT_TRUE(InstallFile(Path("staged"), Path("x86/file"), c.rule));
    EXPECT_EQ(program_.Read("x86/file"), "next");
    EXPECT_EQ(program_.Exists("x86/file.old"), c.oldStays) << static_cast<int>(c.rule);
    if (c.oldStays) {
      EXPECT_EQ(program_.Read("x86/file.old"), "previous");
    }
    fs::remove(program_.path() / "x86/file.old");
  }
}

TEST_F(InstallFileTest, StaleSetAsideCopyIsReplaced) {
  program_.Write("ZLauncher.exe", "previous");
  program_.Write("ZLauncher.exe.old", "stale");
  Stage("next");
  ASSERT_TRUE(InstallFile(Path("staged"), Path("ZLauncher.exe"), SetAside::kKeepOld));
  EXPECT_EQ(program_.Read("ZLauncher.exe"), "next");
  EXPECT_EQ(program_.Read("ZLauncher.exe.old"), "previous");
}

TEST_F(InstallFileTest, FailedCopyPutsThePresentFileBack) {
  program_.Write("libcurl.dll", "working");
  EXPECT_FALSE(InstallFile(Path("missing"), Path("libcurl.dll"), SetAside::kRemoveOld));
  EXPECT_EQ(program_.Read("libcurl.dll"), "working");
  EXPECT_FALSE(program_.Exists("libcurl.dll.old"));
  EXPECT_EQ(testing::ListFiles(program_.path()), std::vector<std::string>{"libcurl.dll"});
}

#ifndef _WIN32
TEST_F(InstallFileTest, ExecutablesGetTheExecuteBitOthersDoNot) {
  Stage("bytes");
  ASSERT_TRUE(InstallFile(Path("staged"), Path("Tool.EXE"), SetAside::kNone));
  ASSERT_TRUE(InstallFile(Path("staged"), Path("ZLauncher.exe"), SetAside::kKeepOld));
  ASSERT_TRUE(InstallFile(Path("staged"), Path("notes.txt"), SetAside::kNone));
  using fs::perms;
  EXPECT_NE(fs::status(program_.path() / "Tool.EXE").permissions() & perms::owner_exec, perms::none);
  EXPECT_NE(fs::status(program_.path() / "ZLauncher.exe").permissions() & perms::owner_exec, perms::none);
  EXPECT_EQ(fs::status(program_.path() / "notes.txt").permissions() & perms::owner_exec, perms::none);
}

// A running program cannot be overwritten (ETXTBSY) but can be set aside.
TEST_F(InstallFileTest, RunningExecutableIsReplacedThroughItsSetAsideName) {
  fs::copy_file("/bin/sleep", program_.path() / "ZLauncher.exe");
  const std::string program = (program_.path() / "ZLauncher.exe").string();
  char arg0[] = "ZLauncher.exe";
  char arg1[] = "30";
  char* argv[] = {arg0, arg1, nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } reaper{pid};

  Stage("new build");
  EXPECT_FALSE(InstallFile(Path("staged"), Path("ZLauncher.exe"), SetAside::kNone));
  ASSERT_TRUE(InstallFile(Path("staged"), Path("ZLauncher.exe"), SetAside::kKeepOld));
  EXPECT_EQ(program_.Read("ZLauncher.exe"), "new build");
  EXPECT_TRUE(program_.Exists("ZLauncher.exe.old"));
}
#endif

}  // namespace
}  // namespace zefo
