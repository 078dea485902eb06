#include "updater/net/win32/url_transport_win32.h"

#include <wininet.h>

namespace zefo {

HRESULT CDownloadCallback::QueryInterface(REFIID riid, void** object) {
  if (object != nullptr && IsEqualIID(riid, IID_IHttpNegotiate)) {
    *object = static_cast<IHttpNegotiate*>(this);
    return S_OK;
  }
  return E_NOTIMPL;
}
ULONG CDownloadCallback::AddRef() { return 0; }
ULONG CDownloadCallback::Release() { return 0; }
HRESULT CDownloadCallback::OnStartBinding(DWORD, IBinding*) { return E_NOTIMPL; }
HRESULT CDownloadCallback::GetPriority(LONG*) { return E_NOTIMPL; }
HRESULT CDownloadCallback::OnLowResource(DWORD) { return E_NOTIMPL; }
HRESULT CDownloadCallback::OnProgress(ULONG, ULONG, ULONG, LPCWSTR) { return S_OK; }
HRESULT CDownloadCallback::OnStopBinding(HRESULT, LPCWSTR) { return E_NOTIMPL; }
HRESULT CDownloadCallback::GetBindInfo(DWORD*, BINDINFO*) { return E_NOTIMPL; }
HRESULT CDownloadCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
  return E_NOTIMPL;
}
HRESULT CDownloadCallback::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }

HRESULT CDownloadCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) {
  if (additionalHeaders != nullptr) *additionalHeaders = nullptr;
  return S_OK;
}

HRESULT CDownloadCallback::OnResponse(DWORD status, LPCWSTR, LPCWSTR, LPWSTR* additionalRequestHeaders) {
  if (additionalRequestHeaders != nullptr) *additionalRequestHeaders = nullptr;
  status_ = status;
  return status == HTTP_STATUS_OK ? S_OK : E_ABORT;
}

}  // namespace zefo
