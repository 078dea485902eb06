// The answers of the URL-moniker status callback, called through its interfaces.
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

TEST(DownloadCallbackTest, NegotiatesNoHeadersAndAcceptsOnly200) {
  CDownloadCallback callback;
  void* object = nullptr;
  ASSERT_EQ(static_cast<IBindStatusCallback*>(&callback)->QueryInterface(IID_IHttpNegotiate, &object), S_OK);
  IHttpNegotiate* negotiate = static_cast<IHttpNegotiate*>(object);
  EXPECT_EQ(negotiate, static_cast<IHttpNegotiate*>(&callback));
  EXPECT_EQ(callback.status(), 0u);

  LPWSTR extra = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(negotiate->BeginningTransaction(L"https://localhost/a", L"", 0, &extra), S_OK);
  EXPECT_EQ(extra, nullptr);

  struct Case {
    DWORD status;
    HRESULT answer;
  };
  for (const Case& c : {Case{404, E_ABORT}, Case{500, E_ABORT}, Case{304, E_ABORT}, Case{200, S_OK}}) {
    extra = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(negotiate->OnResponse(c.status, L"", nullptr, &extra), c.answer) << c.status;
    EXPECT_EQ(extra, nullptr);
    EXPECT_EQ(callback.status(), c.status);
  }
}

}  // namespace
}  // namespace zefo
