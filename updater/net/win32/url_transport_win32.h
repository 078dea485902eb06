// The download transports of Windows: URL monikers and a direct WinINet transfer.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

namespace zefo {

// Status callback of the URL-moniker download. It keeps no state and offers
// no further interface; only OnProgress answers S_OK, so the transfer runs
// with the system's default binding. Not reference counted: its owner (one
// download attempt) keeps it alive for the duration of the call.
// COM interfaces have no virtual destructor by design: objects are never
// deleted through them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class CDownloadCallback final : public IBindStatusCallback {
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
};
#pragma GCC diagnostic pop

// The direct transfer: agent "URL File Downloader", no proxy, always from the
// server, status 200 only, pieces of at most 8,192 bytes, the destination's
// folders created. After false the last error tells why (an HTTP status as
// kErrorHttpStatusBase + status).
bool DownloadFileWinInet(const std::wstring& url, const std::wstring& destinationPath);

}  // namespace zefo
