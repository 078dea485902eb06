// Thin platform file operations, on wide paths, with the Windows semantics the
// update code is written against. Every function reports failure by its result
// and sets the thread's last error (last_error.h); none throws.
//
// Paths: Windows passes them through unchanged. On Linux '\' is a separator
// like '/', so paths such as L"Output\\Launcher\\" or L"x64\\ZLauncher.exe"
// name the same files as on Windows; a drive prefix ("C:") has no special
// meaning there. See posix/native_path.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zefo {

// Maximum length of the current folder, as GetCurrentDirectoryW is called with.
constexpr std::size_t kCurrentFolderSize = 260;

// The path as the platform's file system takes it.
std::filesystem::path NativeFsPath(const std::wstring& path);

// _waccess(path, 0): true when a file or folder of that name exists.
bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);

// Current folder without a trailing separator (GetCurrentDirectoryW, 260
// characters); empty when it cannot be read or does not fit.
std::wstring CurrentFolder();
bool SetCurrentFolder(const std::wstring& path);

// _wmkdir: creates one folder; fails when it exists or its parent is missing.
bool MakeDirectory(const std::wstring& path);
// _wrmdir: removes an empty folder.
bool RemoveEmptyDirectory(const std::wstring& path);
// _wremove: removes a file.
bool RemoveFile(const std::wstring& path);
// True when `path` is itself a link: a symbolic link on Linux; on Windows a
// reparse point standing for another name (junction, folder or file link;
// not a cloud-file placeholder). Trailing separators and "." components name
// the same item. What it points to, or nothing, does not
// matter.
bool IsLink(const std::wstring& path);
// Removes the link `path` (named as for IsLink), never what it points to:
// unlink on Linux; RemoveDirectoryW for a folder reparse point, DeleteFileW
// for a file one on Windows. Fails when `path` is not a link.
bool RemoveLink(const std::wstring& path);
// _wrename: fails when `to` exists (on Linux too).
bool RenameNoReplace(const std::wstring& from, const std::wstring& to);
// MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED).
bool MoveReplace(const std::wstring& from, const std::wstring& to);
// CopyFileW. With `overwrite` false the copy fails when `to` exists. A target
// in use (a running program) cannot be overwritten on either platform. On
// Linux the target's mode follows its name: "*.exe" (any case) is made
// executable, everything else gets the ordinary file mode. Like CopyFileW the
// data is not synced to disk: callers that record what they copied make their
// copies durable in one pass first (engine/durable_files.h).
bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite);

struct DirectoryEntry {
  std::wstring name;
  bool isDirectory = false;  // a real folder, never a link to one
  bool isLink = false;       // a link (see IsLink): remove with RemoveLink, never enter
};
// _wfindfirst64/_wfindnext64 over `folder` + `pattern`, with pattern "*.*"
// (every entry) or "*.<ext>" (names ending in ".<ext>", letter case ignored as
// on Windows). "." and ".." are not returned; a missing folder gives nothing.
std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& pattern);

// `relative` (separators '\' or '/') joined to `folder`. On Linux each
// component is matched against the existing names without regard to letter
// case, as Windows file names are; Windows returns the plain join.
std::wstring ResolvePathIgnoringCase(const std::wstring& folder, const std::wstring& relative);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens for reading, shared for reading and writing by others
// (_wfsopen(..., _SH_DENYNO)). Always binary: text readers use ReadTextLine.
FileHandle OpenForReading(const std::wstring& path);
// Creates or truncates for binary writing, shared like OpenForReading.
FileHandle OpenForWriting(const std::wstring& path);

// fgets in text mode: reads up to and including '\n', at most `maxChars`
// characters, dropping a '\r' that stands before '\n' (as the Windows runtime
// does). The '\n' is kept in `line`. False at end of file with nothing read.
bool ReadTextLine(std::FILE* file, std::size_t maxChars, std::string* line);

}  // namespace zefo
