// The public address lookup on WinINet: one read of at most 511 bytes.
#include "updater/net/address_lookup.h"

#include <windows.h>
#include <wininet.h>

#include "updater/net/win32/internet_handle_win32.h"

namespace zefo {

std::string GetPublicAddressInfo(const std::string& url) {
  const InternetHandle internet(
      InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) return {};
  const InternetHandle request(
      InternetOpenUrlA(internet.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
  if (!request) return {};
  char buffer[512] = {};
  DWORD read = 0;
  if (!InternetReadFile(request.get(), buffer, sizeof buffer - 1, &read)) return {};
  buffer[read] = '\0';
  return buffer;
}

}  // namespace zefo
