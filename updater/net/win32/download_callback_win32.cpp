#include "updater/net/win32/url_transport_win32.h"

namespace zefo {

HRESULT CDownloadCallback::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
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

}  // namespace zefo
