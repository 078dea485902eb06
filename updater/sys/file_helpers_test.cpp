#include "updater/sys/file_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_links.h"
#include "updater/sys/file_system.h"

#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zefo {
namespace {

namespace fs = std::filesystem;
using Listing = std::vector<std::string>;

class FileHelpersTest : public ::testing::Test {
 protected:
  FileHelpersTest() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = fs::temp_directory_path() / ("zefo-helpers-" + std::to_string(stamp));
    fs::create_directories(root_);
  }
  ~FileHelpersTest() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
  }

  // `relative` below root_ as the update code names folders: '\' inside and
  // at the end.
  std::wstring Folder(const std::wstring& relative = L"") const {
    return root_.wstring() + L"\\" + relative + (relative.empty() ? L"" : L"\\");
  }

  void Create(const Listing& entries) const {
    for (const std::string& entry : entries) {
      const fs::path path = root_ / fs::u8path(entry);
      if (entry.back() == '/') {
        fs::create_directories(path);
      } else {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << entry;
      }
    }
  }

  // Every entry below `folder`, '/'-separated, folders with a trailing '/',
  // links (never entered) with a trailing '@'.
  Listing List(const fs::path& folder) const { return testing::ListTree(folder); }
  Listing List() const { return List(root_); }

  fs::path root_;
};

TEST_F(FileHelpersTest, MakeDirectoriesCreatesEveryFolderButTheLast) {
  const struct {
    std::string path;
    char separator;
    Listing created;
  } cases[] = {
      {"Output//Launcher//a", '/', {"Output/", "Output/Launcher/"}},
      {"x64\\ZLauncher.exe", '\\', {"x64/"}},
      {"a/b/c/", '/', {"a/", "a/b/"}},
      {"a\\b\\c", '/', {}},
      {"ZLauncher.exe", '\\', {}},
      {"", '/', {}},
  };
  const std::wstring previous = CurrentFolder();
  int index = 0;
  for (const auto& c : cases) {
    for (const bool wide : {false, true}) {
      const fs::path scratch = root_ / std::to_string(index++);
      fs::create_directories(scratch);
      ASSERT_TRUE(SetCurrentFolder(scratch.wstring()));
      if (wide) {
        MakeDirectoriesW(std::wstring(c.path.begin(), c.path.end()), static_cast<wchar_t>(c.separator));
      } else {
        MakeDirectories(c.path, c.separator);
      }
      ASSERT_TRUE(SetCurrentFolder(previous));
      EXPECT_EQ(List(scratch), c.created) << c.path << (wide ? " (wide)" : "");
    }
  }
}

TEST_F(FileHelpersTest, MakeDirectoriesWTakesAbsolutePathsWithForwardSlashes) {
  MakeDirectoriesW(root_.generic_wstring() + L"/Output/Launcher/download/a.dll", L'/');
  EXPECT_EQ(List(), (Listing{"Output/", "Output/Launcher/", "Output/Launcher/download/"}));
  MakeDirectoriesW(root_.wstring() + L"\\\uD55C\uAD6D\\kr\\Patch.ini", L'\\');
  EXPECT_TRUE(fs::is_directory(root_ / fs::u8path("\xED\x95\x9C\xEA\xB5\xAD") / "kr"));
}

TEST_F(FileHelpersTest, DeleteDirectoryTreeRemovesEverything) {
  Create({"Output/a.txt", "Output/Launcher/download/b.dll", "Output/Launcher/empty/", "Output/c/d/e/f.txt"});
  Create({"keep.txt"});
  DeleteDirectoryTree(Folder(L"Output"));
  EXPECT_EQ(List(), Listing{"keep.txt"});
  DeleteDirectoryTree(Folder(L"Output"));
  DeleteDirectoryTree(Folder(L"keep.txt"));
  EXPECT_EQ(List(), Listing{"keep.txt"}) << "a missing folder or a file is left alone";
}

#ifdef _WIN32
// The read-only attribute keeps Windows from removing a file.
void LockAgainstRemoval(const fs::path& file) {
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}
bool RunWithoutPrivileges(const fs::path&, void (*action)(const std::wstring&), const std::wstring& arg) {
  action(arg);
  return true;
}
#else
// Linux decides removal by the folder: a write-protected folder keeps its
// files (the file should be the only one in it).
void LockAgainstRemoval(const fs::path& file) {
  fs::permissions(file.parent_path(), fs::perms(0555));
}
// Root ignores permissions, so then the action runs in a child process
// that gave up root and owns the tree. False when that is not possible.
bool RunWithoutPrivileges(const fs::path& tree, void (*action)(const std::wstring&), const std::wstring& arg) {
  if (geteuid() != 0) {
    action(arg);
    return true;
  }
  constexpr uid_t kNobody = 65534;
  if (chown(tree.c_str(), kNobody, kNobody) != 0) return false;
  for (const auto& entry : fs::recursive_directory_iterator(tree)) {
    if (lchown(entry.path().c_str(), kNobody, kNobody) != 0) return false;
  }
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0 || access(tree.c_str(), W_OK | X_OK) != 0) _exit(3);
    action(arg);
    _exit(0);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

TEST_F(FileHelpersTest, DeleteDirectoryTreeKeepsWhatCannotBeRemoved) {
  Create({"Output/a.txt", "Output/sub/b.txt", "Output/Launcher/locked/keep.dll", "Output/Launcher/c.txt"});
  LockAgainstRemoval(root_ / "Output/Launcher/locked/keep.dll");
  if (!RunWithoutPrivileges(root_, DeleteDirectoryTree, Folder(L"Output"))) {
    GTEST_SKIP() << "running as root without a way to drop privileges";
  }
  EXPECT_EQ(List(), (Listing{"Output/", "Output/Launcher/", "Output/Launcher/locked/",
                             "Output/Launcher/locked/keep.dll"}));
}

TEST_F(FileHelpersTest, DeleteFilesBeforeComparesNamesAsUtf16Units) {
  Create({"logs/a.log", "logs/ab", "logs/b", "logs/c.log", "logs/B0", "logs/sub/a.log", "logs/sub/zz",
          "logs/old/a1", "logs/old/deeper/a2", "logs/empty/"});
  DeleteFilesBefore(Folder(L"logs"), L"b");
  EXPECT_EQ(List(), (Listing{"logs/", "logs/b", "logs/c.log", "logs/sub/", "logs/sub/zz"}))
      << "'B0' sorts before 'b'; emptied folders go, the others stay";

  // Boundaries as the log upkeep forms them: a proper prefix sorts first.
  Create({"dmp/2024-01-04.dmp", "dmp/2024-01-05", "dmp/2024-01-05.dmp", "dmp/2024-01-050"});
  DeleteFilesBefore(Folder(L"dmp"), L"2024-01-05");
  EXPECT_EQ(List(root_ / "dmp"), (Listing{"2024-01-05", "2024-01-05.dmp", "2024-01-050"}));
  DeleteFilesBefore(Folder(L"dmp"), L"9");
  EXPECT_FALSE(fs::exists(root_ / "dmp")) << "the given folder goes too once empty";
}

TEST_F(FileHelpersTest, DeleteFilesBeforeOrdersCharactersOutsideTheBmpAsSurrogates) {
  // U+10000 is D800 DC00 in UTF-16, so it sorts before U+FF5E, unlike by code point.
  Create({"n/\xF0\x90\x80\x80", "n/\xEF\xBD\x9E\xEF\xBD\x9E"});
  DeleteFilesBefore(Folder(L"n"), L"\uFF5E\uFF5E");
  EXPECT_EQ(List(), (Listing{"n/", "n/\xEF\xBD\x9E\xEF\xBD\x9E"}));
}

TEST_F(FileHelpersTest, DeleteOldFilesOnlyInOldFolders) {
  Create({"x.dll.old", "Y.DLL.OLD", "x.dll", "old", "backup.old/a.old", "backup.old/b.txt",
          "backup.old/deeper.old/c.old", "backup/d.old", "backup.old/plain/e.old", "empty.old/"});
  DeleteOldFiles(root_.wstring() + L"\\");
  EXPECT_EQ(List(), (Listing{"backup.old/", "backup.old/b.txt", "backup.old/deeper.old/",
                             "backup.old/plain/", "backup.old/plain/e.old", "backup/", "backup/d.old",
                             "empty.old/", "old", "x.dll"}));
}

// A link made by the user or planted by anyone: the removal helpers take the
// link away and never what it points to. Below root_: "in/" is where the
// helpers are aimed, "out/" is the user's data elsewhere.
struct LinkCase {
  const char* name;
  Listing entries;                                  // made first, as in Create()
  std::vector<std::pair<std::string, std::string>> links;  // link -> target, both below root_
  void (*remove)(const std::wstring& in);           // `in` is root_/in/ with a trailing '\'
  Listing after;
};

const LinkCase kLinkCases[] = {
    {"folder named is a link to a folder elsewhere",
     {"in/", "out/pics/p.png"}, {{"in/Screens", "out/pics"}},
     [](const std::wstring& in) { DeleteDirectoryTree(in + L"Screens\\"); },
     {"in/", "out/", "out/pics/", "out/pics/p.png"}},
    {"folder named is a link, through trailing '.' components",
     {"in/", "out/pics/p.png"}, {{"in/Screens", "out/pics"}},
     [](const std::wstring& in) { DeleteDirectoryTree(in + L"Screens\\.\\.\\"); },
     {"in/", "out/", "out/pics/", "out/pics/p.png"}},
    {"folder named is a link to a file elsewhere",
     {"in/", "out/f.txt"}, {{"in/data", "out/f.txt"}},
     [](const std::wstring& in) { DeleteDirectoryTree(in + L"data\\"); },
     {"in/", "out/", "out/f.txt"}},
    {"links inside a removed folder",
     {"in/Output/a.txt", "in/Output/sub/b.txt", "out/pics/p.png", "out/f.txt"},
     {{"in/Output/sub/pics", "out/pics"}, {"in/Output/f.txt", "out/f.txt"}, {"in/Output/up", "."}},
     [](const std::wstring& in) { DeleteDirectoryTree(in + L"Output\\"); },
     {"in/", "out/", "out/f.txt", "out/pics/", "out/pics/p.png"}},
    {"dangling links, named and inside",
     {"in/Output/a.txt", "out/"}, {{"in/gone", "out/missing"}, {"in/Output/gone", "out/missing"}},
     [](const std::wstring& in) {
       DeleteDirectoryTree(in + L"gone\\");
       DeleteDirectoryTree(in + L"Output\\");
     },
     {"in/", "out/"}},
    {"a named folder below a folder the user linked elsewhere",
     {"in/", "out/data/screens/s.png", "out/data/keep.txt"}, {{"in/data", "out/data"}},
     [](const std::wstring& in) { DeleteDirectoryTree(in + L"data\\screens\\"); },
     {"in/", "in/data@", "out/", "out/data/", "out/data/keep.txt"}},
    {"old sweep removes linked names and never enters them",
     {"in/real.old/", "out/pics/p.old", "out/f.old", "out/g.old"},
     {{"in/x.dll.old", "out/f.old"}, {"in/backup.old", "out/pics"}, {"in/real.old/a.old", "out/g.old"},
      {"in/keep", "out/pics"}},
     [](const std::wstring& in) { DeleteOldFiles(in); },
     {"in/", "in/keep@", "in/real.old/", "out/", "out/f.old", "out/g.old", "out/pics/", "out/pics/p.old"}},
    {"pruning by name removes links and never enters them",
     {"in/log/c.log", "out/pics/a.log", "out/a.log"},
     {{"in/log/a.log", "out/a.log"}, {"in/log/b", "out/pics"}},
     [](const std::wstring& in) { DeleteFilesBefore(in + L"log\\", L"c"); },
     {"in/", "in/log/", "in/log/c.log", "out/", "out/a.log", "out/pics/", "out/pics/a.log"}},
};

TEST_F(FileHelpersTest, RemovalsTakeLinksAwayAndNeverFollowThem) {
  int index = 0;
  for (const LinkCase& c : kLinkCases) {
    const fs::path saved = root_;
    root_ = saved / std::to_string(index++);
    Create(c.entries);
    for (const auto& [link, target] : c.links) {
      std::string why;
      if (!testing::MakeTestLink(root_ / fs::u8path(target), root_ / fs::u8path(link), &why)) {
        root_ = saved;
        GTEST_SKIP() << "this system makes no symbolic links: " << why;
      }
    }
    c.remove(Folder(L"in"));
    EXPECT_EQ(List(), c.after) << c.name;
    root_ = saved;
  }
}

TEST_F(FileHelpersTest, ReplaceAllNeverSearchesReplacedText) {
  const struct {
    std::string text, from, to, expected;
  } cases[] = {
      {"///", "//", "/", "//"},
      {"a//b////c", "//", "/", "a/b//c"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"abc", "", "x", "abc"},
      {"", "a", "b", ""},
      {"abcabc", "abc", "", ""},
      {"download/%s", "%s", "a.dll", "download/a.dll"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    ReplaceAll(text, c.from, c.to);
    EXPECT_EQ(text, c.expected) << c.text << " / " << c.from;
    std::wstring wide(c.text.begin(), c.text.end());
    ReplaceAllW(wide, std::wstring(c.from.begin(), c.from.end()), std::wstring(c.to.begin(), c.to.end()));
    EXPECT_EQ(wide, std::wstring(c.expected.begin(), c.expected.end())) << c.text << " (wide)";
  }
  std::wstring path = L"a\\b\\c";
  ReplaceAllW(path, L"\\", L"/");
  EXPECT_EQ(path, L"a/b/c");
}

}  // namespace
}  // namespace zefo
