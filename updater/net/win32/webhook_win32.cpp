// The webhook post on WinINet, until the Windows build has a libcurl of its
// own. It keeps the libcurl post's behaviour where WinINet can: the secure
// switch, POST with the same content type, redirects followed, 10 seconds for
// each step of the transfer, the answer read and not looked at. The DNS switch
// cannot be honoured (WinINet always uses the system's resolver), as when
// libcurl refuses its DNS-servers option. The result is 0 when the transfer
// completed, else WinINet's error code (never 0).
#include "updater/net/webhook.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>

#include "updater/net/win32/internet_handle_win32.h"
#include "updater/sys/file_helpers.h"

namespace zefo {
namespace {

constexpr DWORD kTimeoutMs = 10 * 1000;
constexpr char kContentType[] = "Content-Type: application/x-www-form-urlencoded\r\n";

int Failure() {
  const DWORD error = GetLastError();
  return error != 0 ? static_cast<int>(error) : static_cast<int>(ERROR_INTERNET_INTERNAL_ERROR);
}

void SetTimeouts(HINTERNET internet) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    DWORD value = kTimeoutMs;
    InternetSetOptionA(internet, option, &value, sizeof value);
  }
}

std::string Piece(const char* text, DWORD length) {
  return text ? std::string(text, length) : std::string();
}

bool ReadToEnd(HINTERNET request) {
  char buffer[4096];
  DWORD read = 0;
  do {
    if (!InternetReadFile(request, buffer, sizeof buffer, &read)) return false;
  } while (read != 0);
  return true;
}

}  // namespace

int SendWebhookText(const std::string& url, const std::string& body, bool /*useDns*/,
                    bool secure) {
  std::string address = url;
  if (!secure) ReplaceAll(address, "https", "http");

  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;  // ask for pointers into `address`
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlA(address.c_str(), 0, 0, &parts)) return Failure();
  const std::string host = Piece(parts.lpszHostName, parts.dwHostNameLength);
  const std::string object = Piece(parts.lpszUrlPath, parts.dwUrlPathLength) +
                             Piece(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;

  const InternetHandle internet(
      InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) return Failure();
  SetTimeouts(internet.get());
  const InternetHandle connection(InternetConnectA(internet.get(), host.c_str(), parts.nPort,
                                                   nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Failure();
  const InternetHandle request(HttpOpenRequestA(connection.get(), "POST", object.c_str(),
                                                nullptr, nullptr, nullptr, flags, 0));
  if (!request) return Failure();
  const DWORD length = static_cast<DWORD>(std::strlen(body.c_str()));
  if (!HttpSendRequestA(request.get(), kContentType, static_cast<DWORD>(-1),
                        const_cast<char*>(body.c_str()), length) ||
      !ReadToEnd(request.get())) {
    return Failure();
  }
  return 0;
}

}  // namespace zefo
