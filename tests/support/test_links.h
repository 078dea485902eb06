// Symbolic links for the tests of the removals, which must take links away and
// never follow them. Header-only, so the system library's tests can use it.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zefo::testing {

// True when the entry `path` is itself a link (on Windows a reparse point).
inline bool IsTestLink(const std::filesystem::path& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(path.wstring().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
  std::error_code error;
  return std::filesystem::is_symlink(path, error);
#endif
}

// Makes `link` a symbolic link to `target` (a folder link when the target is
// a folder). False, saying why, when this system makes none: the runtime of
// mingw has no links, so Windows calls CreateSymbolicLinkW, which Wine 8.0
// answers with success while making nothing.
inline bool MakeTestLink(const std::filesystem::path& target, const std::filesystem::path& link,
                         std::string* why) {
#ifdef _WIN32
  constexpr DWORD kAllowUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  const DWORD flags = (std::filesystem::is_directory(target) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | kAllowUnprivileged;
  if (!CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(), flags)) {
    *why = "CreateSymbolicLinkW failed with " + std::to_string(GetLastError());
    return false;
  }
  if (!IsTestLink(link)) {
    *why = "CreateSymbolicLinkW made no link (as under Wine 8.0)";
    return false;
  }
  return true;
#else
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  if (error) *why = error.message();
  return !error;
#endif
}

// Every entry below `folder`, '/'-separated and sorted: folders end in '/',
// links in '@' and are never entered.
inline std::vector<std::string> ListTree(const std::filesystem::path& folder) {
  std::vector<std::string> listing;
  std::vector<std::filesystem::path> pending{folder};
  while (!pending.empty()) {
    const std::filesystem::path current = pending.back();
    pending.pop_back();
    for (const auto& entry : std::filesystem::directory_iterator(current)) {
      std::string name = entry.path().lexically_relative(folder).generic_u8string();
      if (IsTestLink(entry.path())) {
        name += '@';
      } else if (entry.is_directory()) {
        name += '/';
        pending.push_back(entry.path());
      }
      listing.push_back(name);
    }
  }
  std::sort(listing.begin(), listing.end());
  return listing;
}

}  // namespace zefo::testing
