#include "tools/zefo-publish/platform.h"

#include <windows.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace zefo::publish {

FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
  const std::string narrow(mode);
  return FileHandle(_wfopen(path.c_str(), std::wstring(narrow.begin(), narrow.end()).c_str()));
}

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

// NTFS journals its names; there is no folder handle to flush.
bool SyncFolder(const std::filesystem::path&) { return true; }

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace zefo::publish
