#include "tools/zefo-publish/platform.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace zefo::publish {

FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
  const std::string narrow(mode);
  return FileHandle(_wfopen(path.c_str(), std::wstring(narrow.begin(), narrow.end()).c_str()));
}

// A new file inherits its folder's permissions; the key belongs in a folder
// only its owner may read (docs/SIGNING.md).
FileHandle CreatePrivateFile(const std::filesystem::path& path, std::string* reason) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    *reason = code == ERROR_FILE_EXISTS ? "it exists already (a key is never overwritten)"
                                        : "Windows error " + std::to_string(code);
    return nullptr;
  }
  // The descriptor, then the stream, own the handle from here on.
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    *reason = "cannot open the new file";
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    _close(fd);
    *reason = "cannot open the new file";
  }
  return FileHandle(file);
}

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

// NTFS journals its names; there is no folder handle to flush.
bool SyncFolder(const std::filesystem::path&) { return true; }

namespace {

// A file opened for writing only to flush it.
class FileToFlush {
 public:
  explicit FileToFlush(const std::filesystem::path& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~FileToFlush() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileToFlush(const FileToFlush&) = delete;
  FileToFlush& operator=(const FileToFlush&) = delete;

  bool Flush() const { return handle_ != INVALID_HANDLE_VALUE && FlushFileBuffers(handle_) != 0; }

 private:
  HANDLE handle_;
};

}  // namespace

bool SyncAll(const std::vector<std::filesystem::path>& paths) {
  for (const std::filesystem::path& path : paths) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) continue;
    if (!FileToFlush(path).Flush()) return false;
  }
  return true;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace zefo::publish
