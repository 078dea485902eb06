#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace zefo::fuzz {
namespace {

// Splits at '\' and '/'; empty components are kept (a doubled separator).
template <typename Char>
std::vector<std::basic_string<Char>> Components(const std::basic_string<Char>& path) {
  std::vector<std::basic_string<Char>> parts(1);
  for (const Char c : path) {
    if (c == '\\' || c == '/') {
      parts.emplace_back();
    } else {
      parts.back().push_back(c);
    }
  }
  return parts;
}

}  // namespace

void Broken(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "broken promise at %s:%d: %s\n", file, line, condition);
  std::fflush(stderr);
  __builtin_trap();
}

FileHandle MemoryFile(const std::uint8_t* data, std::size_t size) {
  // fmemopen refuses an empty buffer on some C libraries.
  if (size == 0) return FileHandle(std::tmpfile());
  return FileHandle(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
}

bool LandsBelowFolderOnWindows(const std::string& name) {
  if (name.empty() || name.front() == '\\' || name.front() == '/') return false;
  if (name.find(':') != std::string::npos) return false;
  int depth = 0;
  for (const std::string& part : Components(name)) {
    if (part.find_first_not_of(". ") == std::string::npos) {
      const auto dots = std::count(part.begin(), part.end(), '.');
      if (dots >= 2 && --depth < 0) return false;
    } else {
      ++depth;
    }
  }
  return depth > 0;
}

bool LandsBelowFolderOnLinux(const std::wstring& folder, const std::wstring& path) {
  if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  if (path[folder.size()] != L'/' && path[folder.size()] != L'\\') return false;
  int depth = 0;
  for (const std::wstring& part : Components(path.substr(folder.size() + 1))) {
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (--depth < 0) return false;
    } else {
      ++depth;
    }
  }
  return depth > 0;
}

ScratchFolder::ScratchFolder(const std::string& tag)
    : path_(std::filesystem::temp_directory_path() /
            ("zefo-fuzz-" + tag + "-" + std::to_string(static_cast<long>(getpid())))) {
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ScratchFolder::Clear() const {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

}  // namespace zefo::fuzz
