// The message box's Windows form with the program's own resources: its
// layout from the pictures, its two forms, and the results of its buttons,
// keys and closing, run on a thread of its own as the workers run it.
#include "updater/ui/win32/message_box_dlg_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "updater/res/resource.h"
#include "winui/startup.h"

namespace zefo::win32 {
namespace {

constexpr wchar_t kDialogClass[] = L"base-window-class";

struct Place {
  int x, y, width, height;
  bool operator==(const Place& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};
std::ostream& operator<<(std::ostream& out, const Place& p) {
  return out << "(" << p.x << ", " << p.y << ", " << p.width << " x " << p.height << ")";
}

Place ClientPlace(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::wstring Text(HWND window) {
  wchar_t text[256] = L"";
  GetWindowTextW(window, text, 256);
  return text;
}

HWND WaitForBox() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    HWND box = FindWindowW(kDialogClass, nullptr);
    if (box != nullptr && IsWindowVisible(box)) return box;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

// Shows `box` on a thread of its own, hands its window to `act`, and returns
// the box's result.
int RunBox(const MessageBoxDlg& box, const std::function<void(HWND)>& act) {
  std::promise<int> answered;
  std::future<int> result = answered.get_future();
  std::thread owner([&] { answered.set_value(RunMessageBoxDlg(box)); });
  HWND window = WaitForBox();
  EXPECT_NE(window, nullptr);
  if (window != nullptr) {
    act(window);
    // A box that ignores what was done to it is closed, so the test ends.
    if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the box did not end";
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
  owner.join();
  return result.get();
}

void Click(HWND button) {
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

class MessageBoxDlgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    winui::InitCommonControls();
    ASSERT_TRUE(winui::RegisterDialogClass(kDialogClass));
  }
};

TEST_F(MessageBoxDlgTest, TwoButtonFormIsLaidOutFromThePicturesAndConfirms) {
  MessageBoxDlg box;
  box.SetTexts(L"ERROR", L"Launcher patch failed.");
  box.SetConfirmText(L"file recovery");
  const int result = RunBox(box, [](HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 392);
    EXPECT_EQ(client.bottom, 222);
    EXPECT_EQ(ClientPlace(GetDlgItem(window, IDCANCEL)), (Place{66, 172, 100, 30}));
    EXPECT_EQ(ClientPlace(GetDlgItem(window, IDOK)), (Place{226, 172, 100, 30}));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDCANCEL)));
    EXPECT_EQ(ClientPlace(GetDlgItem(window, IDC_MSGBOX_MESSAGE)), (Place{25, 84, 342, 74}));
    EXPECT_EQ(ClientPlace(GetDlgItem(window, IDC_MSGBOX_TITLE)), (Place{7, 6, 382, 30}));
    EXPECT_EQ(Text(GetDlgItem(window, IDC_MSGBOX_TITLE)), L"ERROR");
    EXPECT_EQ(Text(GetDlgItem(window, IDC_MSGBOX_MESSAGE)), L"Launcher patch failed.");
    Click(GetDlgItem(window, IDOK));
  });
  EXPECT_EQ(result, MessageBoxDlg::kConfirm);
}

TEST_F(MessageBoxDlgTest, SingleButtonFormCentresTheConfirmButtonAlone) {
  MessageBoxDlg box;
  box.SetTexts(L"ZEFOLauncher_ERROR", L"Program is already Running");
  box.SetSingleButton();
  const int result = RunBox(box, [](HWND window) {
    EXPECT_EQ(ClientPlace(GetDlgItem(window, IDOK)), (Place{146, 172, 100, 30}));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDCANCEL)));
    PostMessageW(window, WM_COMMAND, IDOK, 0);  // Enter
  });
  EXPECT_EQ(result, MessageBoxDlg::kConfirm);
}

TEST_F(MessageBoxDlgTest, QuitEscapeAndClosingAnswerQuit) {
  const std::function<void(HWND)> ways[] = {
      [](HWND window) { Click(GetDlgItem(window, IDCANCEL)); },
      [](HWND window) { PostMessageW(window, WM_COMMAND, IDCANCEL, 0); },  // Escape
      [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); },
  };
  for (const auto& way : ways) {
    MessageBoxDlg box;
    box.SetTexts(L"ERROR", L"message");
    EXPECT_EQ(RunBox(box, way), MessageBoxDlg::kQuit);
  }
}

}  // namespace
}  // namespace zefo::win32
