// The fixed answers of the URL-moniker status callback, called through its interface.
#include <gtest/gtest.h>

#include "updater/net/win32/url_transport_win32.h"

namespace zefo {
namespace {

TEST(DownloadCallbackTest, AnswersOfEverySlot) {
  CDownloadCallback callback;
  IBindStatusCallback* slots = &callback;
  void* object = nullptr;
  LONG priority = 0;
  DWORD flags = 0;
  BINDINFO info = {};
  EXPECT_EQ(slots->QueryInterface(IID_IBindStatusCallback, &object), E_NOTIMPL);
  EXPECT_EQ(slots->AddRef(), 0u);
  EXPECT_EQ(slots->Release(), 0u);
  EXPECT_EQ(slots->OnStartBinding(0, nullptr), E_NOTIMPL);
  EXPECT_EQ(slots->GetPriority(&priority), E_NOTIMPL);
  EXPECT_EQ(slots->OnLowResource(0), E_NOTIMPL);
  EXPECT_EQ(slots->OnProgress(10, 100, BINDSTATUS_DOWNLOADINGDATA, L""), S_OK);
  EXPECT_EQ(slots->OnStopBinding(S_OK, nullptr), E_NOTIMPL);
  EXPECT_EQ(slots->GetBindInfo(&flags, &info), E_NOTIMPL);
  EXPECT_EQ(slots->OnDataAvailable(0, 0, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(slots->OnObjectAvailable(IID_IUnknown, nullptr), E_NOTIMPL);
  EXPECT_EQ(E_NOTIMPL, static_cast<HRESULT>(0x80004001));
}

}  // namespace
}  // namespace zefo
