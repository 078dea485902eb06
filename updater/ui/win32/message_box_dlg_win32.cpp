#include "updater/ui/win32/message_box_dlg_win32.h"

#include <windows.h>

#include "updater/res/resource.h"
#include "updater/ui/message_box_layout.h"
#include "updater/ui/win32/color_static_win32.h"
#include "updater/ui/win32/gdi_objects_win32.h"
#include "updater/ui/win32/image_button_win32.h"
#include "updater/ui/win32/image_loader_win32.h"
#include "winui/dialog.h"

namespace zefo::win32 {
namespace {

constexpr COLORREF kPanelColour = RGB(36, 37, 38);
constexpr COLORREF kTitleBandColour = RGB(19, 19, 19);
constexpr COLORREF kDefaultColour = RGB(87, 122, 213);
constexpr COLORREF kAlertColour = RGB(255, 0, 0);
constexpr int kButtonFontHeight = 15;
constexpr int kMessagePoints = 11;
constexpr int kTitlePoints = 12;

void Place(HWND control, const LayoutRect& rect) {
  MoveWindow(control, rect.x, rect.y, rect.width, rect.height, TRUE);
}

class MessageBoxWindow final : public winui::Dialog {
 public:
  explicit MessageBoxWindow(const MessageBoxDlg& box) : Dialog(IDD_MESSAGEBOX), box_(box) {}

 private:
  std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void FitToBackground();
  void SetUpLine(CXColorStatic& line, int controlId, const LayoutRect& rect, const std::wstring& text,
                 COLORREF fill, int points);
  void DrawBackground(HDC dc, bool transparentPanel) const;

  const MessageBoxDlg& box_;
  Bitmap background_;
  Brush dialogBrush_{CreateSolidBrush(kPanelColour)};
  int width_ = 0;
  int height_ = 0;
  CImageButton confirm_{IDB_CONFIRM_NORMAL, IDB_CONFIRM_HOVER, IDB_CONFIRM_PRESSED, -1};
  CImageButton quit_{IDB_QUIT_NORMAL, IDB_QUIT_HOVER, IDB_QUIT_PRESSED, -1};
  CXColorStatic message_;
  CXColorStatic title_;
};

std::optional<INT_PTR> MessageBoxWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (IsControlColourMessage(message)) return reinterpret_cast<INT_PTR>(dialogBrush_.get());
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      // The buttons, Enter (IDOK) and Escape or the system menu's close (IDCANCEL).
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(LOWORD(wParam) == IDOK ? MessageBoxDlg::kConfirm : MessageBoxDlg::kQuit);
        return 0;
      }
      return std::nullopt;
    case WM_ERASEBKGND:
      DrawBackground(reinterpret_cast<HDC>(wParam), false);
      return TRUE;
    case WM_PAINT: {
      PaintDc paint(hwnd());
      DrawBackground(paint.get(), true);
      return 0;
    }
    default:
      return std::nullopt;
  }
}

void MessageBoxWindow::OnInitDialog() {
  const LoadedBitmap picture = ImageLoader().Load(IDB_MSGBOX_BACKGROUND, ImageLoader::kPng).TakeBitmap();
  background_.reset(picture.bitmap);
  width_ = picture.width;
  height_ = picture.height;
  FitToBackground();

  confirm_.SubclassDlgItem(IDOK, hwnd());
  quit_.SubclassDlgItem(IDCANCEL, hwnd());
  const MessageBoxLayout layout =
      LayOutMessageBox(width_, height_, confirm_.imageWidth, confirm_.imageHeight, box_.twoButtons());
  Place(confirm_.hwnd(), layout.confirm);
  confirm_.SetText(box_.confirmLabel(), kButtonFontHeight);
  ShowWindow(confirm_.hwnd(), SW_SHOW);
  if (box_.twoButtons()) {
    Place(quit_.hwnd(), layout.quit);
    quit_.SetText(MessageBoxDlg::kQuitLabel, kButtonFontHeight);
    ShowWindow(quit_.hwnd(), SW_SHOW);
  } else {
    ShowWindow(quit_.hwnd(), SW_HIDE);
  }
  SetUpLine(message_, IDC_MSGBOX_MESSAGE, layout.message, box_.message(), kPanelColour, kMessagePoints);
  SetUpLine(title_, IDC_MSGBOX_TITLE, layout.title, box_.title(), kTitleBandColour, kTitlePoints);
  // A box of a worker thread has no owner: bring it before the main window.
  SetForegroundWindow(hwnd());
}

// The window is made the picture's size, centred on the screen's work area,
// so nothing outside the picture is left unpainted. Without the picture the
// window keeps its template size and the layout uses that, so the buttons
// stay within reach.
void MessageBoxWindow::FitToBackground() {
  if (!background_) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    width_ = client.right;
    height_ = client.bottom;
    return;
  }
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width_) / 2;
  const int y = work.top + (work.bottom - work.top - height_) / 2;
  SetWindowPos(hwnd(), nullptr, x, y, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MessageBoxWindow::SetUpLine(CXColorStatic& line, int controlId, const LayoutRect& rect,
                                 const std::wstring& text, COLORREF fill, int points) {
  line.SubclassDlgItem(controlId, hwnd());
  Place(line.hwnd(), rect);
  line.SetWindowText(text);
  line.SetForegroundColor(box_.alert() ? kAlertColour : kDefaultColour);
  line.SetFillColor(fill);
  line.SetBoldWeight(false);
  line.SetFontFace(L"Tahoma", points);
  ShowWindow(line.hwnd(), SW_SHOW);
}

// The erase copies the picture; the paint draws it again with the panel
// colour left out, over what the erase left.
void MessageBoxWindow::DrawBackground(HDC dc, bool transparentPanel) const {
  if (!background_) {
    RECT client{};
    GetClientRect(hwnd(), &client);
    FillRect(dc, &client, dialogBrush_.get());
    return;
  }
  MemoryDc memory(dc);
  SelectedObject picture(memory.get(), background_.get());
  if (transparentPanel) {
    TransparentBlt(dc, 0, 0, width_, height_, memory.get(), 0, 0, width_, height_, kPanelColour);
  } else {
    BitBlt(dc, 0, 0, width_, height_, memory.get(), 0, 0, SRCCOPY);
  }
}

}  // namespace

int RunMessageBoxDlg(const MessageBoxDlg& box) {
  MessageBoxWindow window(box);
  const INT_PTR result = window.DoModal(nullptr);
  return result == MessageBoxDlg::kConfirm ? MessageBoxDlg::kConfirm : MessageBoxDlg::kQuit;
}

}  // namespace zefo::win32
