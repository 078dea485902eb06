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

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
  return path;
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
  const DWORD attributes = GetFileAttributesW(WithoutTrailingSeparators(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool RemoveLink(const std::wstring& path) {
  const std::wstring link = WithoutTrailingSeparators(path);
  const DWORD attributes = GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    SetLastError(ERROR_NOT_A_REPARSE_POINT);
    return false;
  }
  // A folder link or junction is removed as a folder, which removes the link
  // alone and never touches its target.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RemoveDirectoryW(link.c_str()) != 0;
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
    const DWORD attributes = data.dwFileAttributes;
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link;
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
