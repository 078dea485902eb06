// The direct WinINet transfer.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "updater/net/download.h"
#include "updater/net/win32/internet_handle_win32.h"
#include "updater/net/win32/url_transport_win32.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr DWORD kPieceSize = 8192;
constexpr wchar_t kAgent[] = L"URL File Downloader";

// Streams the body into `file`; false, with `error` set, when a query, a read
// or a write fails.
bool CopyBody(HINTERNET request, std::FILE* file, DWORD* error) {
  char buffer[kPieceSize];
  for (;;) {
    DWORD available = 0;
    DWORD read = 0;
    if (!InternetQueryDataAvailable(request, &available, 0, 0) ||
        !InternetReadFile(request, buffer, std::min(available, kPieceSize), &read)) {
      *error = GetLastError();
      return false;
    }
    const bool written = read == 0 ? std::fflush(file) == 0
                                   : std::fwrite(buffer, 1, read, file) == read;
    if (!written) {
      *error = static_cast<DWORD>(errno);
      return false;
    }
    if (read == 0) return true;
  }
}

// Everything but the final purge; the file and both handles are closed on
// return. Closing may change the thread's last error, so why a step failed is
// kept in `error`.
bool TransferToFile(const std::wstring& url, const std::wstring& destinationPath, DWORD* error) {
  const InternetHandle internet(
      InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!internet) {
    *error = GetLastError();
    return false;
  }
  // Declared after `internet`, so closed before it.
  const InternetHandle request(
      InternetOpenUrlW(internet.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
  if (!request) {
    *error = GetLastError();
    return false;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &size, nullptr) ||
      size != sizeof status) {
    *error = GetLastError();
    return false;
  }
  if (status != 200) {
    *error = kErrorHttpStatusBase + status;
    return false;
  }

  char narrowPath[kTextBufferSize];
  if (!ToNarrow(destinationPath.c_str(), narrowPath, sizeof narrowPath)) {
    *error = ToErrorCode(ZefoError::kPathTooLong);
    return false;
  }
  MakeDirectories(narrowPath, '/');
  const FileHandle file = OpenForWriting(destinationPath);
  if (!file) {
    *error = LastErrorCode();
    return false;
  }
  return CopyBody(request.get(), file.get(), error);
}

}  // namespace

bool DownloadFileWinInet(const std::wstring& url, const std::wstring& destinationPath) {
  if (url.empty()) return false;
  DWORD error = 0;
  if (!TransferToFile(url, destinationPath, &error)) {
    SetLastErrorCode(error);
    return false;
  }
  PurgeUrlCache(url);
  return true;
}

}  // namespace zefo
