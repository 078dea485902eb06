// The download transports of Windows: URL monikers and a direct WinINet transfer.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

namespace zefo {

// Status callback of the URL-moniker download. Only OnProgress answers S_OK
// among the status slots, so the transfer runs with the system's default
// binding. It also offers IHttpNegotiate, to learn the server's status: the
// moniker saves error pages too (a 404's page as the file, with success), so
// an attempt counts only when the server answered 200. Not reference counted:
// its owner (one download attempt) keeps it alive for the duration of the call.
// COM interfaces have no virtual destructor by design: objects are never
// deleted through them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class CDownloadCallback final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                            STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;

  // IHttpNegotiate: no extra request headers; a status other than 200 stops
  // the transfer (where the system heeds it) and is remembered either way.
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additionalHeaders) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                       LPWSTR* additionalRequestHeaders) override;

  // The last HTTP status the server answered; 0 when none was seen.
  DWORD status() const { return status_; }

 private:
  DWORD status_ = 0;
};
#pragma GCC diagnostic pop

// The direct transfer: agent "URL File Downloader", no proxy, always from the
// server, status 200 only, pieces of at most 8,192 bytes, the destination's
// folders created. After false the last error tells why (an HTTP status as
// kErrorHttpStatusBase + status).
bool DownloadFileWinInet(const std::wstring& url, const std::wstring& destinationPath);

}  // namespace zefo
