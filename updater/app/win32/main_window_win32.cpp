#include "updater/app/win32/main_window_win32.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "updater/app/main_window_controller.h"
#include "updater/app/main_window_layout.h"
#include "updater/app/win32/about_dlg_win32.h"
#include "updater/res/resource.h"
#include "updater/ui/win32/image_loader_win32.h"
#include "updater/ui/win32/message_box_dlg_win32.h"
#include "winui/message_pump.h"

namespace zefo::win32 {
namespace {

constexpr wchar_t kTitle[] = L"ZEFO Launcher";
constexpr COLORREF kBackgroundColour = RGB(21, 0, 45);
constexpr COLORREF kTransparentColour = RGB(255, 0, 255);
constexpr COLORREF kStatusTextColour = RGB(255, 255, 255);
constexpr COLORREF kStatusFillColour = RGB(0, 0, 0);
constexpr int kStatusPoints = 11;
constexpr COLORREF kProgressBackColour = RGB(66, 66, 66);
constexpr COLORREF kProgressBarColour = RGB(241, 152, 31);
constexpr int kProgressFontHeight = 15;
constexpr int kProgressFontWeight = FW_BOLD;
constexpr int kStartFontHeight = 16;
constexpr wchar_t kStartLabel[] = L"Start";
// The framework's application-exit command (WM_COMMAND, ID_APP_EXIT).
constexpr WORD kAppExitCommand = static_cast<WORD>(WindowMessage::kAppExit);

void Place(HWND control, const LayoutRect& rect) {
  MoveWindow(control, rect.x, rect.y, rect.width, rect.height, TRUE);
}

}  // namespace

CZEFOLauncherDlg::CZEFOLauncherDlg()
    : Dialog(IDD_ZEFOLAUNCHER_DIALOG),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      backgroundBrush_(CreateSolidBrush(kBackgroundColour)),
      m_btnStart(IDB_START_NORMAL, IDB_START_HOVER, IDB_START_PRESSED, IDB_START_FOURTH),
      m_btnExit(IDB_EXIT_NORMAL, IDB_EXIT_HOVER, IDB_EXIT_PRESSED, -1) {}

void CZEFOLauncherDlg::Attach(MainWindowInput& input) {
  input_ = &input;
  // Without its window the program cannot go on: it ends as by Exit.
  if (!Create(nullptr)) input.PressExit();
}

void CZEFOLauncherDlg::ShowStatus(const std::wstring& text) { m_status.SetWindowText(text); }

void CZEFOLauncherDlg::ShowProgress(int position, int total, const std::wstring& percentText) {
  if (!progressShown_) {
    progressShown_ = true;
    ShowWindow(m_progress.hwnd(), SW_SHOW);
    InvalidateRect(hwnd(), nullptr, TRUE);
  }
  // Totals are 16-bit: the range's maximum travels in the high word.
  SendMessageW(m_progress.hwnd(), PBM_SETRANGE, 0, MAKELPARAM(0, total));
  SendMessageW(m_progress.hwnd(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
  m_progress.SetProgressText(percentText);
  InvalidateRect(m_progress.hwnd(), nullptr, FALSE);
}

// Start is shown once it may be pressed: a hidden button could not be.
void CZEFOLauncherDlg::ShowStartEnabled(bool enabled) {
  EnableWindow(m_btnStart.hwnd(), enabled);
  if (enabled) ShowWindow(m_btnStart.hwnd(), SW_SHOW);
  InvalidateRect(m_btnStart.hwnd(), nullptr, TRUE);
}

// Boxes come through RunMessageBoxHere; one queued to the window's thread is
// shown there the same way.
void CZEFOLauncherDlg::ShowMessageBox(const MessageBoxDlg& box) { input_->AnswerBox(RunMessageBoxDlg(box)); }

// Exit is always on the window: nothing changes when only Exit is left.
void CZEFOLauncherDlg::ShowIdle() {}

void CZEFOLauncherDlg::ShowClosed() {
  wakeTarget_ = nullptr;
  Destroy();
}

void CZEFOLauncherDlg::WaitForWork(std::unique_lock<std::mutex>& lock, std::condition_variable&) {
  lock.unlock();
  // WM_QUIT asks the program to end: as by Exit.
  if (!winui::PumpMessage(hwnd(), kWakeMessage)) input_->PressExit();
  lock.lock();
}

void CZEFOLauncherDlg::WakeForWork() {
  // PostMessageW to a null window would post to the calling thread instead.
  if (const HWND target = wakeTarget_.load()) PostMessageW(target, kWakeMessage, 0, 0);
}

std::optional<int> CZEFOLauncherDlg::RunMessageBoxHere(const MessageBoxDlg& box) { return RunMessageBoxDlg(box); }

std::optional<INT_PTR> CZEFOLauncherDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (IsControlColourMessage(message)) {
    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<INT_PTR>(backgroundBrush_.get());
  }
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        RunAboutDlg(hwnd());
        return 0;
      }
      return std::nullopt;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case WM_LBUTTONDOWN:
      DragWindow();
      return std::nullopt;
    case WM_CLOSE:
      input_->PressExit();
      return 0;
    case static_cast<UINT>(WindowMessage::kUpdateRestart):
    case static_cast<UINT>(WindowMessage::kUpdateLaunch):
    case static_cast<UINT>(WindowMessage::kUpdateFullDownload):
      input_->Deliver(static_cast<WindowMessage>(message));
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_START:
          input_->PressStart();
          return 0;
        case IDC_EXIT:
        case IDCANCEL:  // Escape
          input_->PressExit();
          return 0;
        case kAppExitCommand:
          input_->Deliver(WindowMessage::kAppExit);
          return 0;
        case IDOK:  // Enter: the window has no default action
          return 0;
        default:
          return std::nullopt;
      }
    default:
      return std::nullopt;
  }
}

void CZEFOLauncherDlg::OnInitDialog() {
  wakeTarget_ = hwnd();
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  SetWindowTextW(hwnd(), kTitle);
  m_btnStart.SubclassDlgItem(IDC_START, hwnd());
  m_btnExit.SubclassDlgItem(IDC_EXIT, hwnd());
  m_progress.SubclassDlgItem(IDC_PROGRESS, hwnd());
  m_status.SubclassDlgItem(IDC_STATUS, hwnd());
  // The classic look: the bar paints itself without the visual style's frame.
  SetWindowTheme(m_progress.hwnd(), L"", L"");
  LayOut();
}

void CZEFOLauncherDlg::LayOut() {
  const LoadedBitmap picture = ImageLoader().Load(IDB_MAIN_BACKGROUND, ImageLoader::kPng).TakeBitmap();
  m_bmpBackground.reset(picture.bitmap);
  backgroundWidth_ = picture.width;
  backgroundHeight_ = picture.height;
  int width = backgroundWidth_;
  int height = backgroundHeight_;
  if (!m_bmpBackground) {
    // Without the picture the window keeps its template size, so that its
    // controls stay on it.
    RECT client{};
    GetClientRect(hwnd(), &client);
    width = client.right;
    height = client.bottom;
  }
  const MainWindowLayout layout = LayOutMainWindow(width, height, m_btnStart.imageWidth, m_btnStart.imageHeight,
                                                   m_btnExit.imageWidth, m_btnExit.imageHeight);
  SetWindowPos(hwnd(), nullptr, layout.window.x, layout.window.y, layout.window.width, layout.window.height,
               SWP_NOZORDER);
  Place(m_btnExit.hwnd(), layout.exit);
  SetUpStatus();
  Place(m_status.hwnd(), layout.status);
  SetUpProgress();
  Place(m_progress.hwnd(), layout.progress);
  Place(m_btnStart.hwnd(), layout.start);
  m_btnStart.SetText(kStartLabel, kStartFontHeight);
  ShowWindow(m_btnStart.hwnd(), SW_HIDE);
}

void CZEFOLauncherDlg::SetUpStatus() {
  m_status.SetWindowText(kCheckingStatus);
  m_status.SetForegroundColor(kStatusTextColour);
  m_status.SetFillColor(kStatusFillColour);
  m_status.SetBoldWeight(false);
  m_status.SetFontFace(L"Tahoma", kStatusPoints);
  ShowWindow(m_status.hwnd(), SW_SHOW);
}

void CZEFOLauncherDlg::SetUpProgress() {
  const HWND bar = m_progress.hwnd();
  const LONG_PTR exStyle = GetWindowLongPtrW(bar, GWL_EXSTYLE);
  SetWindowLongPtrW(bar, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE));
  SetWindowPos(bar, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  SendMessageW(bar, PBM_SETBKCOLOR, 0, kProgressBackColour);
  SendMessageW(bar, PBM_SETBARCOLOR, 0, kProgressBarColour);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar, PBM_SETPOS, 50, 0);
  m_progress.SetTextFont(kProgressFontHeight, kProgressFontWeight);
  m_progress.showText = true;
  ShowWindow(bar, SW_HIDE);
}

// The picture over the background brush; its magenta pixels let the brush
// show through. The title is set anew on every paint, as the task bar shows
// it and the buttons' hover texts replace it.
void CZEFOLauncherDlg::Paint() {
  PaintDc paint(hwnd());
  SetWindowTextW(hwnd(), kTitle);
  if (!m_bmpBackground) return;
  MemoryDc memory(paint.get());
  SelectedObject picture(memory.get(), m_bmpBackground.get());
  SetBkMode(paint.get(), TRANSPARENT);
  TransparentBlt(paint.get(), 0, 0, backgroundWidth_, backgroundHeight_, memory.get(), 0, 0, backgroundWidth_,
                 backgroundHeight_, kTransparentColour);
}

// A press on the background moves the window, as a press on a caption would.
void CZEFOLauncherDlg::DragWindow() {
  const DWORD position = GetMessagePos();
  PostMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, static_cast<LPARAM>(position));
}

}  // namespace zefo::win32
