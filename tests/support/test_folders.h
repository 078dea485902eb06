// Temporary folders and files for tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zefo::testing {

// A fresh, empty folder below the system's temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A program folder: a temporary folder made the current folder while the
// object lives (the engine works relative to it); the previous current
// folder comes back afterwards.
class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::filesystem::path& path() const { return folder_.path(); }
  // `relative` uses '/' separators.
  void Write(const std::string& relative, const std::string& bytes) const;
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

 private:
  TempFolder folder_;
  std::filesystem::path previous_;
};

// Writes `bytes` to `path`, creating its folders.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
// The whole file; "" when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Lowercase hexadecimal MD5 digest of `bytes`.
std::string Md5Hex(const std::string& bytes);
// Every regular file below `folder`, as '/'-separated paths relative to it, sorted.
std::vector<std::string> ListFiles(const std::filesystem::path& folder);

}  // namespace zefo::testing
