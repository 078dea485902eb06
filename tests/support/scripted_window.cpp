#include "tests/support/scripted_window.h"

#include <algorithm>
#include <cstdio>

namespace zefo::testing {

void ScriptedWindow::QueueAnswers(std::initializer_list<int> answers) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

int ScriptedWindow::RunMessageBox(const MessageBoxDlg& box) {
  std::lock_guard<std::mutex> lock(mutex_);
  int answer = MessageBoxDlg::kQuit;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  boxes_.push_back(
      {box.title(), box.message(), box.confirmLabel(), box.alert(), box.twoButtons(), answer});
  events_.push_back({WindowEvent::Kind::kBox, static_cast<int>(boxes_.size() - 1)});
  return answer;
}

void ScriptedWindow::Post(WindowMessage message) {
  Record({WindowEvent::Kind::kPost, static_cast<int>(message)});
  posted_.notify_all();
}

void ScriptedWindow::SendClose() { Record({WindowEvent::Kind::kClose}); }
void ScriptedWindow::BeginProgress(int total) { Record({WindowEvent::Kind::kBeginProgress, total}); }
void ScriptedWindow::SetProgress(int position) { Record({WindowEvent::Kind::kSetProgress, position}); }
void ScriptedWindow::EnableStart() { Record({WindowEvent::Kind::kEnableStart}); }
void ScriptedWindow::ClearWorkerStarted() { Record({WindowEvent::Kind::kClearWorkerStarted}); }

void ScriptedWindow::Record(WindowEvent event) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(event);
}

std::vector<RecordedBox> ScriptedWindow::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

std::vector<WindowMessage> ScriptedWindow::Posts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<WindowMessage> posts;
  for (const WindowEvent& event : events_) {
    if (event.kind == WindowEvent::Kind::kPost) posts.push_back(static_cast<WindowMessage>(event.value));
  }
  return posts;
}

std::vector<WindowEvent> ScriptedWindow::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<WindowEvent> ScriptedWindow::ProgressCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<WindowEvent> calls;
  std::copy_if(events_.begin(), events_.end(), std::back_inserter(calls), [](const WindowEvent& e) {
    return e.kind == WindowEvent::Kind::kBeginProgress || e.kind == WindowEvent::Kind::kSetProgress;
  });
  return calls;
}

int ScriptedWindow::CountLocked(WindowEvent::Kind kind) const {
  return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                        [kind](const WindowEvent& e) { return e.kind == kind; }));
}

int ScriptedWindow::CloseCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountLocked(WindowEvent::Kind::kClose);
}

int ScriptedWindow::EnableStartCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountLocked(WindowEvent::Kind::kEnableStart);
}

int ScriptedWindow::ClearWorkerStartedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountLocked(WindowEvent::Kind::kClearWorkerStarted);
}

std::size_t ScriptedWindow::PendingAnswers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return answers_.size();
}

bool ScriptedWindow::WaitForPost(WindowMessage message, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return posted_.wait_for(lock, timeout, [&] {
    return std::any_of(events_.begin(), events_.end(), [&](const WindowEvent& e) {
      return e.kind == WindowEvent::Kind::kPost && e.value == static_cast<int>(message);
    });
  });
}

bool ScriptedWindow::WaitForAnyPost(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return posted_.wait_for(lock, timeout, [&] { return CountLocked(WindowEvent::Kind::kPost) > 0; });
}

std::string MessageName(WindowMessage message) {
  const char* name = "unknown";
  switch (message) {
    case WindowMessage::kUpdateRestart: name = "restart"; break;
    case WindowMessage::kUpdateLaunch: name = "launch"; break;
    case WindowMessage::kUpdateFullDownload: name = "full download"; break;
    case WindowMessage::kAppExit: name = "app exit"; break;
  }
  char text[64];
  std::snprintf(text, sizeof text, "0x%X (%s)", static_cast<unsigned>(message), name);
  return text;
}

}  // namespace zefo::testing

namespace zefo {
void PrintTo(WindowMessage message, std::ostream* os) { *os << testing::MessageName(message); }
}  // namespace zefo
