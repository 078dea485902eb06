// The main window as its front-end sees it. The controller decides what is
// shown; a view (the terminal, the Win32 dialog, a test double) shows it and
// reports the user's input back. Every Show call comes on the window's thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "updater/engine/window_port.h"
#include "updater/ui/message_box.h"

namespace zefo {

// The user's input as the view reports it; callable from any thread.
class MainWindowInput {
 public:
  virtual void PressStart() = 0;
  virtual void PressExit() = 0;
  // Answers the box the view shows: MessageBoxDlg::kConfirm or kQuit.
  virtual void AnswerBox(int result) = 0;
  // A window message that reached the window from outside the controller
  // (posted to the Win32 dialog); handled on the window's thread in turn.
  virtual void Deliver(WindowMessage message) = 0;

 protected:
  ~MainWindowInput() = default;
};

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  // Called once, before anything is shown.
  virtual void Attach(MainWindowInput& input) = 0;
  virtual void ShowStatus(const std::wstring& text) = 0;
  // The progress bar at `position` of 0..`total` with its percentage text.
  virtual void ShowProgress(int position, int total, const std::wstring& percentText) = 0;
  virtual void ShowStartEnabled(bool enabled) = 0;
  // Shows `box` until the view answers it; one box at a time.
  virtual void ShowMessageBox(const MessageBoxDlg& box) = 0;
  // Nothing runs any more and nothing waits for an answer: only the user's
  // Exit can follow (the update stopped without a way on).
  virtual void ShowIdle() = 0;
  // The window has closed: nothing more is shown or answered.
  virtual void ShowClosed() = 0;

  // How the window's thread waits for queued work and is woken for it. The
  // wait is called with `lock` held and nothing to do, and may return early.
  // By default the thread sleeps on the controller's condition variable; a
  // GUI view pumps its message queue instead and is woken through it.
  virtual void WaitForWork(std::unique_lock<std::mutex>& lock, std::condition_variable& changed) {
    changed.wait(lock);
  }
  // Called from any thread after work was queued or a wait may have ended.
  virtual void WakeForWork() {}

  // A view whose boxes are modal on the thread that asks for them runs the
  // box here and returns its answer; nothing (the default) queues the box to
  // the window's thread for ShowMessageBox.
  virtual std::optional<int> RunMessageBoxHere(const MessageBoxDlg& /*box*/) { return std::nullopt; }
};

}  // namespace zefo
