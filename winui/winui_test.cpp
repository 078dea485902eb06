// The window layer in real windows: modal results, message results as the
// sender sees them, the pump's wake-up, and the registered dialog class.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "winui/dialog.h"
#include "winui/message_pump.h"
#include "winui/startup.h"

namespace zefo::winui {
namespace {

constexpr int kPlainTemplate = 500;
constexpr int kClassTemplate = 501;
constexpr wchar_t kTestClass[] = L"zefo-test-dialog-class";
constexpr UINT kAnswer = WM_APP + 10;
constexpr UINT kEnd = WM_APP + 11;
constexpr UINT kWake = WM_APP + 12;
constexpr UINT kOther = WM_APP + 13;

// Handles what the test gives it and records every WM_APP message it sees.
class TestDialog final : public Dialog {
 public:
  explicit TestDialog(int templateId = kPlainTemplate) : Dialog(templateId) {}

  std::function<void(TestDialog&)> onInit;
  std::vector<UINT> seen;
  HBRUSH brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));

  using Dialog::EndDialog;

 private:
  std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message >= WM_APP) seen.push_back(message);
    switch (message) {
      case WM_INITDIALOG:
        if (onInit) onInit(*this);
        return TRUE;
      case kAnswer:
        return static_cast<INT_PTR>(wParam) * 2;
      case kEnd:
        EndDialog(static_cast<INT_PTR>(wParam));
        return 0;
      case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(brush);
      default:
        return std::nullopt;
    }
  }
};

TEST(DialogTest, ModalRunReturnsTheResultItEndedWith) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) { PostMessageW(d.hwnd(), kEnd, 42, 0); };
  EXPECT_EQ(dialog.DoModal(), 42);
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST(DialogTest, MissingTemplateFailsInsteadOfShowingNothing) {
  TestDialog dialog(999);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_FALSE(dialog.Create());
}

TEST(DialogTest, SenderGetsTheHandlersResults) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create());
  // Ordinary messages travel through DWLP_MSGRESULT, colour requests are
  // returned as they are, and unhandled ones get the dialog manager's answer.
  EXPECT_EQ(SendMessageW(dialog.hwnd(), kAnswer, 21, 0), 42);
  HDC dc = GetDC(dialog.hwnd());
  EXPECT_EQ(SendMessageW(dialog.hwnd(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(dialog.hwnd())),
            reinterpret_cast<LRESULT>(dialog.brush));
  ReleaseDC(dialog.hwnd(), dc);
  EXPECT_EQ(SendMessageW(dialog.hwnd(), kOther, 0, 0), 0);
}

TEST(DialogTest, CreatedWindowEndsWithItsObject) {
  HWND window = nullptr;
  {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    window = dialog.hwnd();
    EXPECT_TRUE(IsWindow(window));
  }
  EXPECT_FALSE(IsWindow(window));
}

TEST(MessagePumpTest, WakeOnlyWakesAndQuitEndsTheLoop) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create());
  PostMessageW(dialog.hwnd(), kWake, 0, 0);
  PostMessageW(dialog.hwnd(), kOther, 0, 0);
  EXPECT_TRUE(PumpMessage(dialog.hwnd(), kWake));
  EXPECT_TRUE(PumpMessage(dialog.hwnd(), kWake));
  EXPECT_EQ(dialog.seen, (std::vector<UINT>{kOther}));
  PostQuitMessage(0);
  EXPECT_FALSE(PumpMessage(dialog.hwnd(), kWake));
}

TEST(StartupTest, RegisteredClassGivesTemplatesThatNameItDialogWindows) {
  ASSERT_TRUE(RegisterDialogClass(kTestClass));
  EXPECT_TRUE(RegisterDialogClass(kTestClass));  // a second registration is no failure
  TestDialog dialog(kClassTemplate);
  ASSERT_TRUE(dialog.Create());
  wchar_t name[64] = L"";
  GetClassNameW(dialog.hwnd(), name, 64);
  EXPECT_STREQ(name, kTestClass);
  // It behaves as a dialog: results still reach the sender.
  EXPECT_EQ(SendMessageW(dialog.hwnd(), kAnswer, 5, 0), 10);
}

}  // namespace
}  // namespace zefo::winui
