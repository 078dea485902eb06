#include <windows.h>

#include <memory>

#include "updater/engine/durable_files.h"
#include "updater/sys/last_error.h"

namespace zefo {
namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandleW = std::unique_ptr<void, HandleCloser>;

}  // namespace

bool SyncToDisk(const std::vector<std::wstring>& paths, std::size_t* failed) {
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::wstring& path = paths[i];
    const HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
      SetLastErrorCode(GetLastError());
      *failed = i;
      return false;
    }
    const FileHandleW file(raw);
    if (!FlushFileBuffers(file.get())) {
      SetLastErrorCode(GetLastError());
      *failed = i;
      return false;
    }
  }
  return true;
}

}  // namespace zefo
