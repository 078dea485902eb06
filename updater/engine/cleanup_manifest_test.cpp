#include "updater/engine/cleanup_manifest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_folders.h"
#include "tests/support/test_links.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::ListFiles;
using testing::TempFolder;
using testing::WriteFileBytes;

// "program" below a temporary root is the current folder; "outside.txt" and
// "victim/" next to it must survive every manifest.
class CleanupManifestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = root_.path() / "program";
    fs::create_directories(program_);
    WriteFileBytes(root_.path() / "outside.txt", "o");
    WriteFileBytes(root_.path() / "victim" / "v.txt", "v");
    previous_ = fs::current_path();
    fs::current_path(program_);
  }
  void TearDown() override { fs::current_path(previous_); }

  void Write(const std::string& relative, const std::string& bytes = "x") const {
    WriteFileBytes(program_ / relative, bytes);
  }
  void WriteManifest(const std::string& text) const { Write("RemoveFiles.inf", text); }
  // Files below the temporary root, "program/" included in their names.
  std::vector<std::string> Files() const { return ListFiles(root_.path()); }

  TempFolder root_;
  fs::path program_;
  fs::path previous_;
};

struct ManifestCase {
  const char* name;
  std::string manifest;
  std::vector<std::string> filesBefore;  // below "program"
  std::vector<std::string> filesAfter;   // below "program"
};

// Failure output names the case instead of dumping its bytes.
void PrintTo(const ManifestCase& c, std::ostream* os) { *os << c.name; }

class CleanupManifestCases : public CleanupManifestTest,
                             public ::testing::WithParamInterface<ManifestCase> {};

TEST_P(CleanupManifestCases, RemovesWhatTheManifestNames) {
  const ManifestCase& c = GetParam();
  for (const std::string& file : c.filesBefore) Write(file);
  WriteManifest(c.manifest);

  ApplyRemoveFilesManifest();

  std::vector<std::string> expected = {"outside.txt", "victim/v.txt"};
  for (const std::string& file : c.filesAfter) expected.push_back("program/" + file);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Files(), expected) << "manifest: " << c.manifest;
  EXPECT_TRUE(fs::is_directory(program_));
}

const ManifestCase kCases[] = {
    {"MixedCaseFileEntry", "[files]\nReadMe.TXT\n", {"ReadMe.TXT", "keep.txt"}, {"keep.txt"}},
    {"FolderBeforeAnySection", "OldTools\n", {"OldTools/a.exe", "OldTools/sub/b.dll", "keep.txt"},
     {"keep.txt"}},
    {"SectionLinesWithSpacesAndCapitals", "  [FILES] \t\nold.dll\n \v[Folders]\nold\n",
     {"old.dll", "old/x.txt", "keep.txt"}, {"keep.txt"}},
    {"FileListedAsFolderStays", "[folders]\nlisted.txt\n", {"listed.txt"}, {"listed.txt"}},
    {"SubfolderEntryWithBackslashes", "[files]\nX64\\ZLauncher.EXE.bak\n",
     {"x64/ZLauncher.exe.bak", "x64/ZLauncher.exe"}, {"x64/ZLauncher.exe"}},
    {"CrLfLineEnds", "[files]\r\na.txt\r\nb.txt\r\n", {"a.txt", "b.txt", "c.txt"}, {"c.txt"}},
    {"CrLineEnds", "[files]\ra.txt\rb.txt\r[folders]\rold\r", {"a.txt", "b.txt", "old/c.txt", "d.txt"},
     {"d.txt"}},
    {"LastLineWithoutLineEnd", "[files]\na.txt", {"a.txt", "b.txt"}, {"b.txt"}},
    {"FormFeedIsNotTrimmed", "[files]\n\fa.txt\n", {"a.txt"}, {"a.txt"}},
    {"LongBlankRunsAreTrimmed", "[files]\n" + std::string(5000, ' ') + "A.txt" + std::string(5000, '\t') + "\n",
     {"a.txt", "b.txt"}, {"b.txt"}},
    // A zero byte ends a line's text: what follows it must not make a blank
    // line name something, least of all the program folder.
    {"ZeroByteEndsTheText", std::string("[files]\n\0a.txt\nb.txt\0c.txt\n[folders]\n\0sub\n", 42),
     {"a.txt", "b.txt", "sub/c.txt"}, {"a.txt", "sub/c.txt"}},
    {"OverlongLineIsNoEntry", "[files]\n" + std::string(3000, 'x') + "\nb.txt\n", {"b.txt", "c.txt"}, {"c.txt"}},
    {"MissingEntriesAreHarmless", "[files]\nnothing.txt\n[folders]\nnowhere\n", {"a.txt"}, {"a.txt"}},
    // Blank lines and lines naming the program folder itself or anything
    // outside it remove nothing, in either mode.
    {"BlankAndUnsafeFolderEntries",
     "\n \t\v\n.\n.\\\n . \n..\n..\\victim\nsub\\..\\..\\victim\n...\\victim\n/tmp\n\\victim\nc:\\victim\n"
     "[files]\n\n.\n..\\outside.txt\nsub\\..\\..\\outside.txt\n",
     {"a.txt", "sub/b.txt"}, {"a.txt", "sub/b.txt"}},
};

INSTANTIATE_TEST_SUITE_P(Manifests, CleanupManifestCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ManifestCase>& test) {
                           return std::string(test.param.name);
                         });

// Links in the program folder, made by the user ("Screenshots" kept with
// their pictures, game data moved to another drive) or by anyone: an entry
// takes a link away, never what it points to, while a named item below a
// linked folder is still found through it.
struct LinkCase {
  const char* name;
  std::string manifest;
  std::vector<std::string> files;                           // below the temporary root
  std::vector<std::pair<std::string, std::string>> links;  // link -> target, below the root
  std::vector<std::string> after;                          // every entry below the root; links end in '@'
};

const LinkCase kLinkCases[] = {
    {"folder entry naming a linked folder", "[folders]\nscreenshots\n", {"pictures/p.png"},
     {{"program/Screenshots", "pictures"}},
     {"outside.txt", "pictures/", "pictures/p.png", "program/", "victim/", "victim/v.txt"}},
    {"folder entry naming a link to a file", "[folders]\nnotes\n", {}, {{"program/notes", "outside.txt"}},
     {"outside.txt", "program/", "victim/", "victim/v.txt"}},
    {"links inside a removed folder", "OldTools\n", {"program/OldTools/a.exe", "pictures/p.png"},
     {{"program/OldTools/pics", "pictures"}, {"program/OldTools/up", "."}, {"program/OldTools/o.txt", "outside.txt"}},
     {"outside.txt", "pictures/", "pictures/p.png", "program/", "victim/", "victim/v.txt"}},
    {"dangling links", "[folders]\ngone\nold\n", {"program/old/a.txt"},
     {{"program/gone", "nothing"}, {"program/old/gone", "nothing"}},
     {"outside.txt", "program/", "victim/", "victim/v.txt"}},
    {"file below a linked folder", "[files]\ndata\\obsolete.dll\n[folders]\ndata\\cache\n",
     {"drive/data/obsolete.dll", "drive/data/keep.pak", "drive/data/cache/c.bin"},
     {{"program/Data", "drive/data"}},
     {"drive/", "drive/data/", "drive/data/keep.pak", "outside.txt", "program/", "program/Data@", "victim/",
      "victim/v.txt"}},
};

TEST_F(CleanupManifestTest, EntriesNeverFollowLinksOutOfTheProgramFolder) {
  for (const LinkCase& c : kLinkCases) {
    TempFolder root;
    const fs::path program = root.path() / "program";
    fs::create_directories(program);
    WriteFileBytes(root.path() / "outside.txt", "o");
    WriteFileBytes(root.path() / "victim" / "v.txt", "v");
    for (const std::string& file : c.files) {
      if (file.back() == '/') {
        fs::create_directories(root.path() / file);
      } else {
        WriteFileBytes(root.path() / file, "x");
      }
    }
    for (const auto& [link, target] : c.links) {
      std::string why;
      if (!testing::MakeTestLink(root.path() / target, root.path() / link, &why)) {
        GTEST_SKIP() << "this system makes no symbolic links: " << why;
      }
    }
    WriteFileBytes(program / "RemoveFiles.inf", c.manifest);
    fs::current_path(program);
    ApplyRemoveFilesManifest();
    fs::current_path(previous_);
    EXPECT_EQ(testing::ListTree(root.path()), c.after) << c.name;
  }
}

TEST_F(CleanupManifestTest, ManifestIsDeletedEvenWhenEntriesStay) {
  WriteManifest("[files]\nnothing.txt\n");
  ApplyRemoveFilesManifest();
  EXPECT_FALSE(fs::exists(program_ / "RemoveFiles.inf"));
}

TEST_F(CleanupManifestTest, NoManifestChangesNothing) {
  Write("a.txt");
  ApplyRemoveFilesManifest();
  EXPECT_EQ(Files(), (std::vector<std::string>{"outside.txt", "program/a.txt", "victim/v.txt"}));
}

}  // namespace
}  // namespace zefo
