// Generated launcher builds 101 to 104 and the trees published from them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zefo::publish::testing {

// Path below the program folder ('/' separated) -> bytes.
using FileMap = std::map<std::string, std::string>;

// A fresh folder below the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The builds of the story the tests tell, by version:
// 101 first build; 102 changes a library and the 64-bit launcher, deletes
// data/old.txt, adds new/added.txt; 103 brings a new updater, deletes
// readme.txt and brings data/old.txt back; 104 changes a.dll again and adds a
// file of several blocks in a deep subfolder. data/keep.txt never changes.
const std::map<std::int32_t, FileMap>& StoryBuilds();

// "" when the two agree; otherwise a line for each file that is missing, extra
// or different (readable where whole maps of bytes are not).
std::string DescribeDifference(const FileMap& actual, const FileMap& expected);

// Writes `files` below `folder`, creating it.
void WriteFiles(const std::filesystem::path& folder, const FileMap& files);
// Every file below `folder`.
FileMap ReadFiles(const std::filesystem::path& folder);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);

// Publishes the story's builds up to `lastVersion` into `root`, each from its
// own folder below `builds`. Fails the test on any error.
void PublishStory(const std::filesystem::path& root, const std::filesystem::path& builds, std::int32_t lastVersion);
// The folder PublishStory wrote build `version` to.
std::filesystem::path BuildFolder(const std::filesystem::path& builds, std::int32_t version);

}  // namespace zefo::publish::testing
