#include "updater/sys/file_helpers.h"

#include <cstdint>
#include <string>
#include <vector>

#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

template <typename Char>
void MakeParentFolders(const std::basic_string<Char>& path, Char separator) {
  const std::vector<std::basic_string<Char>> components = SplitString(path, separator);
  if (components.size() < 2) return;
  std::basic_string<Char> sofar;
  for (std::size_t i = 0; i + 1 < components.size(); ++i) {
    sofar += components[i];
    sofar += static_cast<Char>('/');
    if constexpr (sizeof(Char) == 1) {
      MakeDirectory(ToWideString(sofar));
    } else {
      MakeDirectory(sofar);
    }
  }
}

// The name as UTF-16 code units, whatever the width of wchar_t.
std::u16string Utf16Units(const std::wstring& name) {
  std::u16string units;
  for (const wchar_t c : name) {
    const auto cp = static_cast<std::uint32_t>(c);
    if (sizeof(wchar_t) > 2 && cp > 0xFFFF) {
      units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(cp));
    }
  }
  return units;
}

// A file, or a link found where a file or folder could be: the link goes,
// never what it points to (FindEntries never marks a link as a folder).
void RemoveFoundItem(const std::wstring& folder, const DirectoryEntry& entry) {
  if (entry.isLink) {
    RemoveLink(folder + entry.name);
  } else {
    RemoveFile(folder + entry.name);
  }
}

template <typename Char>
void Replace(std::basic_string<Char>& text, const std::basic_string<Char>& from,
             const std::basic_string<Char>& to) {
  if (from.empty()) return;
  for (std::size_t pos = text.find(from); pos != std::basic_string<Char>::npos;
       pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
}

}  // namespace

void MakeDirectories(const std::string& path, char separator) {
  MakeParentFolders(path, separator);
}

void MakeDirectoriesW(const std::wstring& path, wchar_t separator) {
  MakeParentFolders(path, separator);
}

void DeleteDirectoryTree(const std::wstring& folder) {
  // A link named as the folder goes alone: what it points to is not part of
  // the tree (a user's pictures behind a linked screenshots folder).
  if (IsLink(folder)) {
    RemoveLink(folder);
    return;
  }
  if (!IsDirectory(folder)) return;
  for (const DirectoryEntry& entry : FindEntries(folder, L"*.*")) {
    if (entry.isDirectory) {
      DeleteDirectoryTree(folder + entry.name + L"\\");
    } else {
      RemoveFoundItem(folder, entry);
    }
  }
  RemoveEmptyDirectory(folder);
}

void DeleteFilesBefore(const std::wstring& folder, const std::wstring& boundary) {
  if (!IsDirectory(folder)) return;
  const std::u16string limit = Utf16Units(boundary);
  for (const DirectoryEntry& entry : FindEntries(folder, L"*.*")) {
    if (entry.isDirectory) {
      DeleteFilesBefore(folder + entry.name + L"\\", boundary);
    } else if (Utf16Units(entry.name) < limit) {
      RemoveFoundItem(folder, entry);
    }
  }
  RemoveEmptyDirectory(folder);
}

void DeleteOldFiles(const std::wstring& folder) {
  for (const DirectoryEntry& entry : FindEntries(folder, L"*.old")) {
    if (entry.isDirectory) {
      DeleteOldFiles(folder + entry.name + L"\\");
    } else {
      RemoveFoundItem(folder, entry);
    }
  }
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  Replace(text, from, to);
}

void ReplaceAllW(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  Replace(text, from, to);
}

}  // namespace zefo
