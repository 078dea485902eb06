// `zefo-publish verify` and `show` on a damaged tree: the input is written as
// a small patch-server tree, then both read it in-process. They never change
// the tree, every problem is one non-empty line, and a tree found without
// problems is one the updater accepts: a published version whose every
// listed and fully-downloaded name stays below the program folder.
//
// Input: records of one byte choosing a file name from kNames, two bytes of
// length (little-endian) and that many bytes of content; a later record of
// the same name replaces the earlier one.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "tools/zefo-publish/published_tree.h"
#include "tools/zefo-publish/show.h"
#include "tools/zefo-publish/verify.h"
#include "updater/engine/contained_path.h"

namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {
    "VersionInfo.txt",          "VersionHash.inf",        "FullPatchInfo.inf",     "100/download_info.txt",
    "101/download_info.txt",    "102/download_info.txt",  "103/download_info.txt", "100/a.dll",
    "101/a.dll",                "102/a.dll",              "100/ZEFOLauncher_New.exe", "102/ZEFOLauncher_New.exe",
    "100/x64/ZLauncher.exe",    "101/RemoveFiles.inf",    "102/RemoveFiles.inf",   "102/sub/b.txt",
    "99/download_info.txt",     "VersionInfo.txt.tmp",    "104/a.dll",             "101/sub/c.dat",
};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const fs::path& root) {
  Snapshot snapshot;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().lexically_relative(root).generic_string();
    if (entry.is_directory()) {
      snapshot[name + "/"] = "";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      snapshot[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return snapshot;
}

void WriteTree(const fs::path& root, const std::uint8_t* data, std::size_t size) {
  std::map<std::string, std::string> files;
  std::size_t pos = 0;
  while (pos + 3 <= size) {
    const char* name = kNames[data[pos] % kNameCount];
    std::size_t length = data[pos + 1] | (static_cast<std::size_t>(data[pos + 2]) << 8);
    pos += 3;
    if (length > size - pos) length = size - pos;
    files[name].assign(reinterpret_cast<const char*>(data) + pos, length);
    pos += length;
  }
  for (const auto& [name, bytes] : files) {
    const fs::path path = root / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const zefo::fuzz::ScratchFolder scratch("publish-tree");
  scratch.Clear();
  const fs::path root = scratch.path() / "patch";
  fs::create_directories(root);
  WriteTree(root, data, size);
  const Snapshot before = Take(root);

  const std::vector<std::string> problems = zefo::publish::VerifyTree(root, nullptr);
  for (const std::string& problem : problems) {
    ZEFO_FUZZ_CHECK(!problem.empty());
    ZEFO_FUZZ_CHECK(problem.find_first_of("\r\n") == std::string::npos);
  }
  std::ostringstream shown;
  ZEFO_FUZZ_CHECK(zefo::publish::ShowTree(root, shown));
  ZEFO_FUZZ_CHECK(Take(root) == before);

  if (problems.empty()) {
    const zefo::publish::PublishedTree tree = zefo::publish::ReadPublishedTree(root);
    ZEFO_FUZZ_CHECK(tree.published && tree.version > 0);
    for (const auto& [version, names] : tree.lists) {
      for (const std::string& name : names) ZEFO_FUZZ_CHECK(zefo::NamesItemBelowFolder(name));
    }
    for (const zefo::FullPatchRecord& record : tree.fullPatch) {
      ZEFO_FUZZ_CHECK(zefo::NamesItemBelowFolder(record.installPath));
      ZEFO_FUZZ_CHECK(zefo::IsContainedRelativePath(record.remotePath));
    }
  }
  return 0;
}
