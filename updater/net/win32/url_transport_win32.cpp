// DownloadFile's transports on Windows: URL monikers first, WinINet direct second.
#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include "updater/net/download.h"
#include "updater/net/transport.h"
#include "updater/net/win32/url_transport_win32.h"
#include "updater/sys/last_error.h"

namespace zefo {
namespace {

class UrlTransport final : public Transport {
 public:
  bool SystemTransfer(const std::wstring& url, const std::wstring& path) override {
    CDownloadCallback callback;
    const HRESULT result = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, &callback);
    if (FAILED(result)) return false;
    if (callback.status() == HTTP_STATUS_OK) return true;
    // Saved anyway (an error page, or an answer whose status never came):
    // not the file, so it must not stand in for it.
    DeleteFileW(path.c_str());
    SetLastErrorCode(callback.status() != 0 ? kErrorHttpStatusBase + callback.status()
                                            : static_cast<std::uint32_t>(ERROR_HTTP_INVALID_SERVER_RESPONSE));
    return false;
  }
  bool DirectTransfer(const std::wstring& url, const std::wstring& path) override {
    return DownloadFileWinInet(url, path);
  }
  void PurgeUrlCache(const std::wstring& url) override { zefo::PurgeUrlCache(url); }
  void Pause() override { Sleep(1); }
};

}  // namespace

Transport& PlatformTransport() {
  static UrlTransport transport;
  return transport;
}

void PurgeUrlCache(const std::wstring& url) { DeleteUrlCacheEntryW(url.c_str()); }

}  // namespace zefo
