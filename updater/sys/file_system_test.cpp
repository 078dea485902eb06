#include "updater/sys/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_links.h"
#include "updater/sys/last_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zefo {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
 protected:
  FileSystemTest() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = fs::temp_directory_path() / ("zefo-fs-" + std::to_string(stamp));
    fs::create_directories(root_);
    folder_ = root_.wstring() + L"\\";
  }
  ~FileSystemTest() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void Write(const fs::path& relative, const std::string& bytes) const {
    std::ofstream(root_ / relative, std::ios::binary) << bytes;
  }
  std::string Read(const fs::path& relative) const {
    std::ifstream in(root_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path root_;
  std::wstring folder_;  // root_ with a trailing '\', as the update code passes folders
};

TEST_F(FileSystemTest, BackslashesSeparateFoldersOnEveryPlatform) {
  ASSERT_TRUE(MakeDirectory(folder_ + L"Output"));
  ASSERT_TRUE(MakeDirectory(folder_ + L"Output\\Launcher\\"));
  EXPECT_TRUE(fs::is_directory(root_ / "Output" / "Launcher"));
  EXPECT_TRUE(IsDirectory(folder_ + L"Output\\Launcher\\"));
  EXPECT_TRUE(PathExists(folder_ + L"Output/Launcher"));
  EXPECT_FALSE(MakeDirectory(folder_ + L"Output")) << "an existing folder is an error";
  EXPECT_FALSE(MakeDirectory(folder_ + L"missing\\child")) << "parents are not created";

  Write("Output/Launcher/a.dll", "abc");
  EXPECT_EQ(NativeFsPath(folder_ + L"Output\\Launcher\\a.dll"), root_ / "Output" / "Launcher" / "a.dll");
  EXPECT_FALSE(IsDirectory(folder_ + L"Output\\Launcher\\a.dll"));
  EXPECT_FALSE(RemoveEmptyDirectory(folder_ + L"Output\\Launcher")) << "not empty";
  ASSERT_TRUE(RemoveFile(folder_ + L"Output\\Launcher\\a.dll"));
  EXPECT_FALSE(PathExists(folder_ + L"Output\\Launcher\\a.dll"));
  EXPECT_TRUE(RemoveEmptyDirectory(folder_ + L"Output\\Launcher"));
  EXPECT_FALSE(RemoveFile(folder_ + L"Output")) << "a folder is not a file";
}

TEST_F(FileSystemTest, FailuresSetTheLastError) {
  SetLastErrorCode(0);
  EXPECT_FALSE(RemoveFile(folder_ + L"missing.txt"));
  EXPECT_EQ(LastErrorCode(), 2u) << "ENOENT and ERROR_FILE_NOT_FOUND are both 2";
  SetLastErrorCode(0);
  EXPECT_FALSE(OpenForReading(folder_ + L"missing.txt"));
  EXPECT_EQ(LastErrorCode(), 2u);
  SetLastErrorCode(0);
  EXPECT_FALSE(CopyFileTo(folder_ + L"missing.txt", folder_ + L"b.txt", true));
  EXPECT_NE(LastErrorCode(), 0u);
  EXPECT_FALSE(PathExists(folder_ + L"b.txt"));
}

TEST_F(FileSystemTest, RenameNeverReplacesButMoveDoes) {
  Write("a.txt", "new");
  Write("b.txt", "old");
  SetLastErrorCode(0);
  EXPECT_FALSE(RenameNoReplace(folder_ + L"a.txt", folder_ + L"b.txt"));
  EXPECT_NE(LastErrorCode(), 0u);
  EXPECT_EQ(Read("b.txt"), "old");
  ASSERT_TRUE(RenameNoReplace(folder_ + L"a.txt", folder_ + L"c.txt"));
  EXPECT_EQ(Read("c.txt"), "new");
  ASSERT_TRUE(MoveReplace(folder_ + L"c.txt", folder_ + L"b.txt"));
  EXPECT_EQ(Read("b.txt"), "new");
  EXPECT_FALSE(PathExists(folder_ + L"c.txt"));
  EXPECT_FALSE(MoveReplace(folder_ + L"c.txt", folder_ + L"b.txt"));
}

TEST_F(FileSystemTest, CopyFileToHonoursOverwrite) {
  const std::string data(300000, 'z');
  Write("src.bin", data);
  Write("dst.bin", "existing");
  EXPECT_FALSE(CopyFileTo(folder_ + L"src.bin", folder_ + L"dst.bin", false));
  EXPECT_EQ(Read("dst.bin"), "existing");
  ASSERT_TRUE(CopyFileTo(folder_ + L"src.bin", folder_ + L"dst.bin", true));
  EXPECT_EQ(Read("dst.bin"), data);
  ASSERT_TRUE(CopyFileTo(folder_ + L"src.bin", folder_ + L"new.bin", false));
  EXPECT_EQ(Read("new.bin"), data);
  EXPECT_FALSE(CopyFileTo(folder_ + L"src.bin", folder_ + L"src.bin", true));
  EXPECT_EQ(Read("src.bin"), data) << "copying a file onto itself must not lose it";
}

#ifndef _WIN32
TEST_F(FileSystemTest, CopyFileToSetsTheModeByName) {
  Write("src", "x");
  const struct {
    const wchar_t* name;
    fs::perms mode;
  } cases[] = {
      {L"ZLauncher.exe", fs::perms(0755)},
      {L"UPPER.EXE", fs::perms(0755)},
      {L"lib.dll", fs::perms(0644)},
      {L"exe", fs::perms(0644)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(CopyFileTo(folder_ + L"src", folder_ + c.name, false));
    EXPECT_EQ(fs::status(NativeFsPath(folder_ + c.name)).permissions(), c.mode) << c.name;
  }
  fs::permissions(root_ / "lib.dll", fs::perms(0600));
  ASSERT_TRUE(CopyFileTo(folder_ + L"src", folder_ + L"lib.dll", true));
  EXPECT_EQ(fs::status(root_ / "lib.dll").permissions(), fs::perms(0644)) << "also when replacing";
}

TEST_F(FileSystemTest, CopyFileToRefusesARunningProgram) {
  fs::copy_file("/bin/sleep", root_ / "prog.exe");
  fs::permissions(root_ / "prog.exe", fs::perms(0755));
  Write("update.exe", "new build");
  const std::string program = (root_ / "prog.exe").string();
  char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ), 0);
  // The program is busy once the child has executed it.
  std::string exe;
  for (int i = 0; i < 500 && exe != program; ++i) {
    exe = fs::read_symlink("/proc/" + std::to_string(child) + "/exe").string();
    usleep(10000);
  }
  SetLastErrorCode(0);
  const bool copied = CopyFileTo(folder_ + L"update.exe", folder_ + L"prog.exe", true);
  const std::uint32_t error = LastErrorCode();
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(copied);
  EXPECT_EQ(error, static_cast<std::uint32_t>(ETXTBSY));
  EXPECT_EQ(fs::file_size(root_ / "prog.exe"), fs::file_size("/bin/sleep"));
}
#else
TEST_F(FileSystemTest, CopyFileToRefusesAFileInUse) {
  Write("src.bin", "new");
  Write("busy.exe", "running");
  const std::wstring busy = folder_ + L"busy.exe";
  HANDLE handle = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const bool copied = CopyFileTo(folder_ + L"src.bin", busy, true);
  const std::uint32_t error = LastErrorCode();
  CloseHandle(handle);
  EXPECT_FALSE(copied);
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Read("busy.exe"), "running");
}
#endif

TEST_F(FileSystemTest, FindEntriesMatchesAllOrBySuffixIgnoringCase) {
  fs::create_directories(root_ / "backup.Old");
  fs::create_directories(root_ / "plain");
  for (const char* name : {"a.old", "B.OLD", "c.old.txt", "dold", "x.dll"}) Write(name, "");
  using Found = std::vector<std::pair<std::wstring, bool>>;
  const auto find = [this](const wchar_t* pattern) {
    Found found;
    for (const DirectoryEntry& e : FindEntries(folder_, pattern)) found.emplace_back(e.name, e.isDirectory);
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ(find(L"*.old"), (Found{{L"B.OLD", false}, {L"a.old", false}, {L"backup.Old", true}}));
  EXPECT_EQ(find(L"*.*"), (Found{{L"B.OLD", false},
                                 {L"a.old", false},
                                 {L"backup.Old", true},
                                 {L"c.old.txt", false},
                                 {L"dold", false},
                                 {L"plain", true},
                                 {L"x.dll", false}}));
  EXPECT_TRUE(FindEntries(folder_ + L"plain\\", L"*.*").empty());
  SetLastErrorCode(0);
  EXPECT_TRUE(FindEntries(folder_ + L"missing\\", L"*.*").empty());
  EXPECT_NE(LastErrorCode(), 0u);
}

#ifndef _WIN32
TEST_F(FileSystemTest, FindEntriesDoesNotTreatLinksAsFolders) {
  fs::create_directories(root_ / "target");
  fs::create_directory_symlink(root_ / "target", root_ / "link");
  const std::vector<DirectoryEntry> found = FindEntries(folder_, L"*.*");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].name, L"link");
  EXPECT_FALSE(found[0].isDirectory);
  EXPECT_TRUE(found[0].isLink);
  EXPECT_TRUE(found[1].isDirectory);
  EXPECT_FALSE(found[1].isLink);
}
#endif

TEST_F(FileSystemTest, RemoveLinkRemovesOnlyTheLink) {
  fs::create_directories(root_ / "target");
  Write("target/keep.txt", "k");
  // What is not a link stays.
  for (const wchar_t* real : {L"target\\", L"target\\.", L"target\\keep.txt", L"missing"}) {
    EXPECT_FALSE(IsLink(folder_ + real)) << real;
    EXPECT_FALSE(RemoveLink(folder_ + real)) << real;
  }
  EXPECT_EQ(Read("target/keep.txt"), "k");

  std::string why;
  if (!testing::MakeTestLink(root_ / "target", root_ / "folder-link", &why) ||
      !testing::MakeTestLink(root_ / "target" / "keep.txt", root_ / "file-link", &why) ||
      !testing::MakeTestLink(root_ / "missing", root_ / "dangling", &why)) {
    GTEST_SKIP() << "this system makes no symbolic links: " << why;
  }
  for (const wchar_t* link : {L"folder-link\\", L"folder-link\\.\\", L"file-link", L"dangling"}) {
    EXPECT_TRUE(IsLink(folder_ + link)) << link;
  }
  EXPECT_TRUE(RemoveLink(folder_ + L"folder-link\\")) << "a trailing separator names the link";
  EXPECT_TRUE(RemoveLink(folder_ + L"file-link"));
  EXPECT_TRUE(RemoveLink(folder_ + L"dangling"));
  EXPECT_EQ(Read("target/keep.txt"), "k");
  EXPECT_EQ(testing::ListTree(root_), (std::vector<std::string>{"target/", "target/keep.txt"}));
}

#ifndef _WIN32

TEST_F(FileSystemTest, ResolvePathIgnoringCaseFindsTheStoredNames) {
  fs::create_directories(root_ / "Data" / "Sub");
  Write("Data/Sub/File.TXT", "x");
  Write("Data/\xC3\x84pfel.txt", "x");  // Äpfel
  const struct {
    std::wstring relative;
    std::wstring expected;
  } cases[] = {
      {L"data\\sub\\file.txt", L"Data/Sub/File.TXT"},
      {L"DATA/SUB/FILE.TXT", L"Data/Sub/File.TXT"},
      {L"data\\\u00E4PFEL.txt", L"Data/\u00C4pfel.txt"},
      {L"data\\missing\\File.TXT", L"Data/missing/File.TXT"},
      {L"data\\\\sub\\", L"Data/Sub"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolvePathIgnoringCase(folder_, c.relative), folder_ + c.expected) << c.relative;
  }
  EXPECT_EQ(ResolvePathIgnoringCase(root_.wstring(), L"data"), root_.wstring() + L"/Data");
  // An exact match wins over other spellings.
  Write("Data/Sub/file.txt", "y");
  EXPECT_EQ(ResolvePathIgnoringCase(folder_, L"data\\sub\\file.txt"), folder_ + L"Data/Sub/file.txt");
  EXPECT_EQ(ResolvePathIgnoringCase(folder_, L"data\\sub\\FILE.txt"), folder_ + L"Data/Sub/File.TXT")
      << "the first in name order among inexact ones";
}
#else
TEST_F(FileSystemTest, ResolvePathIgnoringCaseJoinsOnWindows) {
  EXPECT_EQ(ResolvePathIgnoringCase(folder_, L"data\\file.txt"), folder_ + L"data\\file.txt");
  EXPECT_EQ(ResolvePathIgnoringCase(root_.wstring(), L"data"), root_.wstring() + L"\\data");
}
#endif

TEST_F(FileSystemTest, ReadTextLineDropsCarriageReturnsBeforeLineFeeds) {
  Write("lines.txt", "ab\r\ncd\rx\n\r\nlast\r");
  FileHandle file = OpenForReading(folder_ + L"lines.txt");
  ASSERT_TRUE(file);
  std::string line;
  std::vector<std::string> lines;
  while (ReadTextLine(file.get(), 100, &line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab\n", "cd\rx\n", "\n", "last\r"}));
  EXPECT_FALSE(ReadTextLine(file.get(), 100, &line));
  EXPECT_EQ(line, "");

  std::rewind(file.get());
  lines.clear();
  while (ReadTextLine(file.get(), 2, &line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "\n", "cd", "\rx", "\n", "\n", "la", "st", "\r"}));
}

TEST_F(FileSystemTest, OpenForWritingTruncatesAndSharesWithReaders) {
  Write("out.bin", "previous content");
  FileHandle writer = OpenForWriting(folder_ + L"out.bin");
  ASSERT_TRUE(writer);
  FileHandle reader = OpenForReading(folder_ + L"out.bin");
  ASSERT_TRUE(reader) << "readers are not locked out";
  std::fputs("a\r\nb", writer.get());
  writer.reset();
  EXPECT_EQ(Read("out.bin"), "a\r\nb") << "binary: no line-end translation";
}

TEST_F(FileSystemTest, CurrentFolderRoundTrips) {
  const std::wstring previous = CurrentFolder();
  ASSERT_FALSE(previous.empty());
  ASSERT_TRUE(SetCurrentFolder(folder_));
  const std::wstring current = CurrentFolder();
  ASSERT_TRUE(SetCurrentFolder(previous));
  EXPECT_EQ(fs::canonical(NativeFsPath(current)), fs::canonical(root_));
  EXPECT_NE(current.back(), L'\\');
  EXPECT_NE(current.back(), L'/');
  EXPECT_FALSE(SetCurrentFolder(folder_ + L"missing"));
}

}  // namespace
}  // namespace zefo
