// The main window's logic, apart from how it is drawn: the initialisation, the
// Start and Exit handlers, the worker messages, progress and message boxes.
//
// Everything the window does runs on its own thread (the one that constructs
// the controller and runs RunModal). Workers reach it through MainWindowPort:
// posts, progress and boxes are queued to the window's thread; a worker that
// shows a box waits until it is answered while the window keeps working.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "updater/app/main_window_view.h"
#include "updater/app/shell_services.h"
#include "updater/engine/window_port.h"

namespace zefo {

inline constexpr wchar_t kCheckingStatus[] = L"Update\t Checking ...";
inline constexpr wchar_t kUpdatingStatus[] = L"Updating...";

// Percentage text buffer: at most four characters, as in "100%".
constexpr std::size_t kPercentTextSize = 5;

// position / total * 100 in single precision, truncated toward zero, kept
// within 0..100. Without a total (no progress run begun) it is 0.
int ProgressPercentage(int position, int total);

class MainWindowController final : public MainWindowPort, private MainWindowInput {
 public:
  MainWindowController(MainWindowView& view, ShellServices& shell);
  MainWindowController(const MainWindowController&) = delete;
  MainWindowController& operator=(const MainWindowController&) = delete;

  // The initialisation (upkeep, status, instance check, then Start by itself),
  // then the window's loop until it closes.
  void RunModal();

  // Handlers of the Start and Exit buttons.
  void OnStart();
  void OnExit();

  // m_bWorkerStarted: set when a worker is started, cleared by the worker.
  bool workerStarted() const { return workerStarted_; }

  // MainWindowPort, from any thread.
  void Post(WindowMessage message) override;
  void SendClose() override;
  void BeginProgress(int total) override;
  void SetProgress(int position) override;
  void EnableStart() override;
  void ClearWorkerStarted() override;
  int RunMessageBox(const MessageBoxDlg& box) override;

 private:
  struct BoxRequest {
    const MessageBoxDlg* box;
    bool shown = false;
    bool answered = false;
    int result = MessageBoxDlg::kQuit;
  };
  using Task = std::function<void()>;

  // MainWindowInput: the view's reports, queued to the window's thread.
  void PressStart() override;
  void PressExit() override;
  void AnswerBox(int result) override;
  void Deliver(WindowMessage message) override;

  bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }
  // Queues `task` for the window's thread; dropped once the window is closed.
  void PostTask(Task task);
  // Wakes whoever waits for a change: workers and the window's thread.
  void NotifyChanged();
  // Runs queued tasks until `done` (checked under the lock) holds.
  void RunUntil(const std::function<bool()>& done);
  void Handle(WindowMessage message);
  void Close();
  void SetStartEnabled(bool enabled);
  void ShowStatus(const std::wstring& text);
  void ShowFrontBox();
  void DeliverAnswer(int result);
  void StartWorker(void (ShellServices::*start)(MainWindowPort&, std::function<void()>));
  // Tells the view when nothing is left but Exit.
  void OnWorkerEnded();
  void QueueProgressRefresh();
  void RefreshProgress();

  MainWindowView& view_;
  ShellServices& shell_;
  const std::thread::id windowThread_;
  std::atomic<bool> workerStarted_{false};
  // Window's thread only.
  bool startEnabled_ = false;
  int runningWorkers_ = 0;
  std::wstring shownStatus_;

  std::mutex mutex_;
  std::condition_variable changed_;
  // Under mutex_:
  std::deque<Task> tasks_;
  std::deque<BoxRequest*> boxes_;  // the front one is shown
  bool closed_ = false;  // no more tasks are taken
  bool gone_ = false;    // the view has shown the window closed
  bool progressStarted_ = false;
  bool progressRefreshQueued_ = false;
  int progressTotal_ = 0;  // m_nProgressTotal
  int progressPosition_ = 0;
  wchar_t percentText_[kPercentTextSize] = L"";
};

}  // namespace zefo
