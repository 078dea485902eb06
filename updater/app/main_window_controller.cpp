#include "updater/app/main_window_controller.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "updater/sys/text.h"

namespace zefo {

int ProgressPercentage(int position, int total) {
  if (total <= 0) return 0;
  const float fraction = static_cast<float>(position) / static_cast<float>(total);
  const float percent = fraction * 100.0f;
  return static_cast<int>(std::clamp(percent, 0.0f, 100.0f));
}

MainWindowController::MainWindowController(MainWindowView& view, ShellServices& shell)
    : view_(view), shell_(shell), windowThread_(std::this_thread::get_id()) {}

void MainWindowController::RunModal() {
  view_.Attach(*this);
  shell_.TidyProgramFolder();
  ShowStatus(kCheckingStatus);
  shell_.ClearLaunchWithoutUpdate();
  if (shell_.CheckRunningInstances(*this)) {
    Close();
  } else {
    OnStart();
  }
  RunUntil([this] { return closed_; });
}

void MainWindowController::OnStart() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
  }
  if (shell_.LaunchWithoutUpdate()) {
    shell_.StartLauncher(*this);
    return;
  }
  shell_.CheckInstallation(*this);
  SetStartEnabled(false);
  if (!workerStarted_.exchange(true)) StartWorker(&ShellServices::StartUpdateWorker);
}

void MainWindowController::OnExit() { Close(); }

void MainWindowController::Post(WindowMessage message) {
  PostTask([this, message] { Handle(message); });
}

void MainWindowController::SendClose() {
  if (OnWindowThread()) {
    Close();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!closed_) {
    tasks_.push_back([this] { Close(); });
    NotifyChanged();
  }
  changed_.wait(lock, [this] { return gone_; });
}

void MainWindowController::BeginProgress(int total) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    progressStarted_ = true;
    progressTotal_ = total;
    progressPosition_ = 0;
    FormatToW(percentText_, kPercentTextSize, L"%d%%", 0);
  }
  QueueProgressRefresh();
}

void MainWindowController::SetProgress(int position) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    progressPosition_ = position;
    FormatToW(percentText_, kPercentTextSize, L"%d%%", ProgressPercentage(position, progressTotal_));
  }
  QueueProgressRefresh();
}

void MainWindowController::EnableStart() {
  PostTask([this] { SetStartEnabled(true); });
}

void MainWindowController::ClearWorkerStarted() { workerStarted_ = false; }

int MainWindowController::RunMessageBox(const MessageBoxDlg& box) {
  {
    // A box asked for after the window closed counts as closed at once.
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return MessageBoxDlg::kQuit;
  }
  if (const std::optional<int> answer = view_.RunMessageBoxHere(box)) return *answer;
  BoxRequest request{&box};
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return MessageBoxDlg::kQuit;
  boxes_.push_back(&request);
  tasks_.push_back([this] { ShowFrontBox(); });
  NotifyChanged();
  if (OnWindowThread()) {
    // A nested loop, as a modal box has: the window keeps working meanwhile.
    lock.unlock();
    RunUntil([&request] { return request.answered; });
    lock.lock();
  } else {
    changed_.wait(lock, [&request] { return request.answered; });
  }
  return request.result;
}

void MainWindowController::PressStart() {
  PostTask([this] {
    if (startEnabled_) OnStart();
  });
}

void MainWindowController::PressExit() {
  PostTask([this] { OnExit(); });
}

void MainWindowController::AnswerBox(int result) {
  PostTask([this, result] { DeliverAnswer(result); });
}

void MainWindowController::Deliver(WindowMessage message) { Post(message); }

void MainWindowController::PostTask(Task task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    tasks_.push_back(std::move(task));
  }
  NotifyChanged();
}

void MainWindowController::RunUntil(const std::function<bool()>& done) {
  for (;;) {
    Task task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!done() && tasks_.empty()) view_.WaitForWork(lock, changed_);
      if (done()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

void MainWindowController::NotifyChanged() {
  changed_.notify_all();
  view_.WakeForWork();
}

void MainWindowController::Handle(WindowMessage message) {
  switch (message) {
    case WindowMessage::kUpdateRestart:
      shell_.PromptRestart(*this);
      break;
    case WindowMessage::kUpdateLaunch:
      shell_.StartLauncher(*this);
      break;
    case WindowMessage::kUpdateFullDownload:
      // Started even while the update worker is still returning.
      workerStarted_ = true;
      StartWorker(&ShellServices::StartFullDownloadWorker);
      break;
    case WindowMessage::kAppExit:
      Close();
      break;
  }
}

void MainWindowController::StartWorker(void (ShellServices::*start)(MainWindowPort&, std::function<void()>)) {
  ++runningWorkers_;
  // Queued behind the worker's own posts, so it is handled after them.
  (shell_.*start)(*this, [this] { PostTask([this] { OnWorkerEnded(); }); });
}

// A box still open belongs to code that goes on once it is answered, and a
// running worker will post what follows: then the window is not idle.
void MainWindowController::OnWorkerEnded() {
  --runningWorkers_;
  if (runningWorkers_ > 0 || startEnabled_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || !boxes_.empty()) return;
  }
  view_.ShowIdle();
}

void MainWindowController::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
    closed_ = true;
    tasks_.clear();
  }
  view_.ShowClosed();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    gone_ = true;
    // Boxes still open are closed with the window: their callers get kQuit.
    for (BoxRequest* request : boxes_) request->answered = true;
    boxes_.clear();
  }
  NotifyChanged();
}

void MainWindowController::SetStartEnabled(bool enabled) {
  startEnabled_ = enabled;
  view_.ShowStartEnabled(enabled);
}

void MainWindowController::ShowStatus(const std::wstring& text) {
  if (text == shownStatus_) return;
  shownStatus_ = text;
  view_.ShowStatus(text);
}

void MainWindowController::ShowFrontBox() {
  const MessageBoxDlg* box = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (boxes_.empty() || boxes_.front()->shown) return;
    boxes_.front()->shown = true;
    box = boxes_.front()->box;
  }
  view_.ShowMessageBox(*box);
}

void MainWindowController::DeliverAnswer(int result) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (boxes_.empty() || !boxes_.front()->shown) return;
    BoxRequest* request = boxes_.front();
    boxes_.pop_front();
    request->result = result;
    request->answered = true;
  }
  NotifyChanged();
  ShowFrontBox();
}

void MainWindowController::QueueProgressRefresh() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // One refresh shows the latest state: positions reported meanwhile merge.
    if (closed_ || progressRefreshQueued_) return;
    progressRefreshQueued_ = true;
    tasks_.push_back([this] { RefreshProgress(); });
  }
  NotifyChanged();
}

void MainWindowController::RefreshProgress() {
  int position = 0;
  int total = 0;
  std::wstring percentText;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    progressRefreshQueued_ = false;
    // The progress bar stays hidden until a run begins.
    if (!progressStarted_) return;
    position = progressPosition_;
    total = progressTotal_;
    percentText = percentText_;
  }
  ShowStatus(kUpdatingStatus);
  view_.ShowProgress(position, total, percentText);
}

}  // namespace zefo
