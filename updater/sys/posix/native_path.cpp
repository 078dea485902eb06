#include "updater/sys/posix/native_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// The entry of `folder` whose name equals `name` without regard to letter
// case; the exact name when it exists, else the first match in name order,
// else empty.
std::wstring FindNameIgnoringCase(const std::string& folder, const std::wstring& name) {
  struct stat st;
  if (lstat((folder + "/" + ToNarrowString(name)).c_str(), &st) == 0) return name;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return std::wstring();
  std::vector<std::wstring> matches;
  while (const dirent* entry = readdir(dir.get())) {
    const std::wstring candidate = ToWideString(entry->d_name);
    if (EqualIgnoringCase(candidate, name)) matches.push_back(candidate);
  }
  if (matches.empty()) return std::wstring();
  return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::string NativePathString(const std::wstring& path) {
  std::wstring mapped = path;
  std::replace(mapped.begin(), mapped.end(), L'\\', L'/');
  return ToNarrowString(mapped);
}

std::filesystem::path NativeFsPath(const std::wstring& path) {
  return std::filesystem::path(NativePathString(path));
}

wchar_t FoldCase(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
      (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) {
    return static_cast<wchar_t>(c - 0x20);
  }
  if (c == 0xFF) return 0x178;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 0x50);
  // Latin Extended-A: capital and small letters alternate, the capital on
  // the even code in two runs and on the odd code in the two others.
  if ((c >= 0x101 && c <= 0x137 && c % 2 == 1) || (c >= 0x14B && c <= 0x177 && c % 2 == 1) ||
      (c >= 0x13A && c <= 0x148 && c % 2 == 0) || (c >= 0x17A && c <= 0x17E && c % 2 == 0)) {
    return static_cast<wchar_t>(c - 1);
  }
  return c;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

std::wstring ResolvePathIgnoringCase(const std::wstring& folder, const std::wstring& relative) {
  std::wstring result = folder;
  if (!result.empty() && !IsSeparator(result.back())) result += L'/';
  const std::size_t folderLength = result.size();
  std::string native = folder.empty() ? std::string(".") : NativePathString(folder);
  bool searching = true;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = start;
    while (end < relative.size() && !IsSeparator(relative[end])) ++end;
    std::wstring name = relative.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (searching && name != L"." && name != L"..") {
      const std::wstring found = FindNameIgnoringCase(native, name);
      // Below a missing name nothing can match: the rest is kept as given.
      if (found.empty()) {
        searching = false;
      } else {
        name = found;
      }
    }
    native += "/" + ToNarrowString(name);
    if (result.size() > folderLength) result += L'/';
    result += name;
  }
  return result;
}

}  // namespace zefo
