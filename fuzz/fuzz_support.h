// What the fuzz targets share: the broken-promise check, the input as a
// stream, and independent models of where a name lands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "updater/sys/file_system.h"

// Stops at once when a reader breaks one of its promises, so that libFuzzer
// keeps the input; an assert would vanish from an optimised build.
#define ZEFO_FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::zefo::fuzz::Broken(#condition, __FILE__, __LINE__))

namespace zefo::fuzz {

[[noreturn]] void Broken(const char* condition, const char* file, int line);

// The bytes as a read-only stream, as the readers get a downloaded file.
FileHandle MemoryFile(const std::uint8_t* data, std::size_t size);

// Where Windows puts `name` relative to a folder: components split at '\' and
// '/'; a leading separator or a colon (drive, stream) leaves the folder; a
// component of dots and spaces only is "." with one dot and ".." with more
// (Windows drops trailing dots and spaces). True when the name ends below the
// folder: never above it on the way, never the folder itself.
bool LandsBelowFolderOnWindows(const std::string& name);

// The same on Linux for a path the engine formed: '/' and '\' separate,
// "." stays, ".." goes up, names are taken as they are. True when `path`
// starts with `folder` followed by a separator and what follows never climbs
// to or above `folder`.
bool LandsBelowFolderOnLinux(const std::wstring& folder, const std::wstring& path);

// A folder of this process below the system's temporary folder, made on first
// use and emptied by Clear().
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& tag);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void Clear() const;

 private:
  std::filesystem::path path_;
};

}  // namespace zefo::fuzz
