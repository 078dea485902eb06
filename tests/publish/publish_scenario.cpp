#include "tests/publish/publish_scenario.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

#include "tools/zefo-publish/release.h"

namespace zefo::publish::testing {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("zefo_publish_" + std::to_string(stamp) + "_" + std::to_string(counter++));
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

namespace {

// Bytes that differ from block to block, so that a copy that loses or
// repeats a block changes the digest.
std::string LargeBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::map<std::int32_t, FileMap> MakeStory() {
  std::map<std::int32_t, FileMap> builds;
  FileMap b = {
      {"ZEFOLauncher.exe", "updater build 1"},
      {"a.dll", "library 1"},
      {"x64/ZLauncher.exe", "launcher 64 v1"},
      {"x86/ZLauncher.exe", "launcher 32 v1"},
      {"data/old.txt", "old data"},
      {"data/keep.txt", "kept data"},
      {"readme.txt", "read me"},
  };
  builds[101] = b;
  b["a.dll"] = "library 2";
  b["x64/ZLauncher.exe"] = "launcher 64 v2";
  b.erase("data/old.txt");
  b["new/added.txt"] = "added in 102";
  builds[102] = b;
  b["ZEFOLauncher.exe"] = "updater build 2";
  b.erase("readme.txt");
  b["data/old.txt"] = "old data";
  builds[103] = b;
  b["a.dll"] = "library 4";
  b["sub/deep/er/large.bin"] = LargeBytes(5 * 65536 + 17);
  builds[104] = b;
  return builds;
}

}  // namespace

const std::map<std::int32_t, FileMap>& StoryBuilds() {
  static const std::map<std::int32_t, FileMap> builds = MakeStory();
  return builds;
}

std::string DescribeDifference(const FileMap& actual, const FileMap& expected) {
  std::string difference;
  for (const auto& [name, bytes] : expected) {
    const auto found = actual.find(name);
    if (found == actual.end()) {
      difference += "missing " + name + "\n";
    } else if (found->second != bytes) {
      difference += "different " + name + "\n";
    }
  }
  for (const auto& [name, bytes] : actual) {
    if (expected.count(name) == 0) difference += "extra " + name + "\n";
  }
  return difference;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFiles(const fs::path& folder, const FileMap& files) {
  fs::create_directories(folder);
  for (const auto& [name, bytes] : files) WriteBytes(folder / fs::u8path(name), bytes);
}

FileMap ReadFiles(const fs::path& folder) {
  FileMap files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(folder).generic_u8string()] = ReadBytes(entry.path());
    }
  }
  return files;
}

fs::path BuildFolder(const fs::path& builds, std::int32_t version) { return builds / std::to_string(version); }

void PublishStory(const fs::path& root, const fs::path& builds, std::int32_t lastVersion) {
  for (const auto& [version, files] : StoryBuilds()) {
    if (version > lastVersion) break;
    WriteFiles(BuildFolder(builds, version), files);
    std::ostringstream log;
    std::vector<std::string> errors;
    ASSERT_TRUE(PublishRelease({root, BuildFolder(builds, version), version}, nullptr, log, &errors))
        << "publishing " << version << ": " << (errors.empty() ? "" : errors.front());
  }
}

}  // namespace zefo::publish::testing
