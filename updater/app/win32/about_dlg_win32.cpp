#include "updater/app/win32/about_dlg_win32.h"

#include "updater/res/resource.h"
#include "winui/dialog.h"

namespace zefo::win32 {
namespace {

class CAboutDlg final : public winui::Dialog {
 public:
  CAboutDlg() : Dialog(IDD_ABOUTBOX) {}

 private:
  std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
      EndDialog(LOWORD(wParam));
      return 0;
    }
    return std::nullopt;
  }
};

}  // namespace

void RunAboutDlg(HWND owner) { CAboutDlg().DoModal(owner); }

}  // namespace zefo::win32
