// The main window on Windows: dialog template 102 skinned with picture 153,
// the status line, the progress bar, Start and Exit. It shows what the
// controller decides, hands it the user's input and the window messages
// posted to the dialog, and runs the controller's loop as its message loop:
// the controller's thread waits in the dialog's message pump and is woken by
// a private message posted to the dialog.
#pragma once

#include <windows.h>

#include <atomic>

#include "updater/app/main_window_view.h"
#include "updater/ui/win32/color_static_win32.h"
#include "updater/ui/win32/gdi_objects_win32.h"
#include "updater/ui/win32/image_button_win32.h"
#include "updater/ui/win32/text_progress_ctrl_win32.h"
#include "winui/dialog.h"

namespace zefo::win32 {

class CZEFOLauncherDlg final : public winui::Dialog, public MainWindowView {
 public:
  // Wakes the window's loop for the controller's queued work.
  static constexpr UINT kWakeMessage = WM_APP + 1;

  CZEFOLauncherDlg();

  // MainWindowView, on the window's thread. Attach makes the window.
  void Attach(MainWindowInput& input) override;
  void ShowStatus(const std::wstring& text) override;
  void ShowProgress(int position, int total, const std::wstring& percentText) override;
  void ShowStartEnabled(bool enabled) override;
  void ShowMessageBox(const MessageBoxDlg& box) override;
  void ShowIdle() override;
  void ShowClosed() override;
  void WaitForWork(std::unique_lock<std::mutex>& lock, std::condition_variable& changed) override;
  // From any thread.
  void WakeForWork() override;
  // Boxes are modal on the thread that asks, without an owner window.
  std::optional<int> RunMessageBoxHere(const MessageBoxDlg& box) override;

 private:
  std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void LayOut();
  void SetUpStatus();
  void SetUpProgress();
  void Paint();
  void DragWindow();

  const HICON icon_;
  const Brush backgroundBrush_;
  CImageButton m_btnStart;
  CImageButton m_btnExit;
  Bitmap m_bmpBackground;
  int backgroundWidth_ = 0;
  int backgroundHeight_ = 0;
  CTextProgressCtrl m_progress;
  CXColorStatic m_status;
  MainWindowInput* input_ = nullptr;
  std::atomic<HWND> wakeTarget_{nullptr};
  bool progressShown_ = false;
};

}  // namespace zefo::win32
