// The Win32 calls behind file_system.h. The Win32 functions are used rather
// than their runtime wrappers (_wmkdir, _wremove, ...) because they always
// leave the reason in GetLastError.
#include <windows.h>

#include <share.h>

#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"

namespace zefo {
namespace {

struct FindCloser {
  void operator()(HANDLE handle) const { FindClose(handle); }
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The link itself: trailing separators and "." components dropped, as the
// system drops them, so that the search below names the link and not an
// entry inside its target.
std::wstring LinkPath(std::wstring path) {
  for (;;) {
    if (path.size() > 1 && IsSeparator(path.back())) {
      path.pop_back();
    } else if (path.size() > 2 && path.back() == L'.' && IsSeparator(path[path.size() - 2])) {
      path.resize(path.size() - 2);
    } else {
      return path;
    }
  }
}

// Links are the reparse points that stand for another name: symbolic links
// and junctions. Others (cloud-file placeholders, deduplicated files) hold
// their own data and are ordinary files and folders here.
bool IsLinkEntry(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(data.dwReserved0);
}

// The directory entry of `path` itself (never its target), when it is a link.
// Leaves ERROR_SUCCESS as the last error for an entry that is not one.
bool FindLinkEntry(const std::wstring& path, WIN32_FIND_DATAW* data) {
  const std::wstring name = LinkPath(path);
  // FindFirstFileW takes "?" and "*" as patterns; a link's name holds neither.
  if (name.find_first_of(L"?*") != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  const HANDLE first = FindFirstFileW(name.c_str(), data);
  if (first == INVALID_HANDLE_VALUE) return false;
  const std::unique_ptr<void, FindCloser> search(first);
  SetLastError(ERROR_SUCCESS);
  return IsLinkEntry(*data);
}

FileHandle Open(const std::wstring& path, const wchar_t* mode) {
  return FileHandle(_wfsopen(path.c_str(), mode, _SH_DENYNO));
}

}  // namespace

std::filesystem::path NativeFsPath(const std::wstring& path) { return std::filesystem::path(path); }

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring CurrentFolder() {
  wchar_t buffer[kCurrentFolderSize];
  const DWORD length = GetCurrentDirectoryW(kCurrentFolderSize, buffer);
  if (length == 0) return std::wstring();
  if (length >= kCurrentFolderSize) {
    SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
    return std::wstring();
  }
  return std::wstring(buffer, length);
}

bool SetCurrentFolder(const std::wstring& path) { return SetCurrentDirectoryW(path.c_str()) != 0; }

bool MakeDirectory(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

bool RemoveEmptyDirectory(const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != 0; }

bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool IsLink(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  return FindLinkEntry(path, &data);
}

bool RemoveLink(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  if (!FindLinkEntry(path, &data)) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_NOT_A_REPARSE_POINT);
    return false;
  }
  const std::wstring link = LinkPath(path);
  // A folder link or junction is removed as a folder, which removes the link
  // alone and never touches its target.
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RemoveDirectoryW(link.c_str()) != 0;
  return DeleteFileW(link.c_str()) != 0;
}

bool RenameNoReplace(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool MoveReplace(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite) {
  return CopyFileW(from.c_str(), to.c_str(), overwrite ? FALSE : TRUE) != 0;
}

std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& pattern) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAW data;
  const HANDLE first = FindFirstFileW((folder + pattern).c_str(), &data);
  if (first == INVALID_HANDLE_VALUE) return entries;
  const std::unique_ptr<void, FindCloser> search(first);
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    // A junction or link is never a folder here: removing a tree must not
    // follow one out of it.
    const bool link = IsLinkEntry(data);
    const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link;
    entries.push_back(DirectoryEntry{name, directory, link});
  } while (FindNextFileW(search.get(), &data));
  return entries;
}

std::wstring ResolvePathIgnoringCase(const std::wstring& folder, const std::wstring& relative) {
  if (folder.empty() || IsSeparator(folder.back())) return folder + relative;
  return folder + L"\\" + relative;
}

FileHandle OpenForReading(const std::wstring& path) { return Open(path, L"rb"); }

FileHandle OpenForWriting(const std::wstring& path) { return Open(path, L"wb"); }

}  // namespace zefo
