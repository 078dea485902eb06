// A main window for tests: answers message boxes from a queue and records
// everything the engine does to it. Safe to use from worker threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "updater/engine/window_port.h"

namespace zefo::testing {

struct RecordedBox {
  std::wstring title;
  std::wstring message;
  std::wstring confirmLabel;
  bool alert = false;
  bool twoButtons = false;
  int answer = 0;  // what the script answered
};

// One call on the window, in order of arrival.
struct WindowEvent {
  enum class Kind { kBox, kPost, kClose, kBeginProgress, kSetProgress, kEnableStart, kClearWorkerStarted };
  Kind kind;
  int value = 0;  // kBox: index into Boxes(); kPost: the message; progress: total or position
};

class ScriptedWindow : public MainWindowPort {
 public:
  // Answers for the next boxes, in order. A box met with an empty queue is
  // answered MessageBoxDlg::kQuit, as if it had been closed.
  void QueueAnswers(std::initializer_list<int> answers);

  int RunMessageBox(const MessageBoxDlg& box) override;
  void Post(WindowMessage message) override;
  void SendClose() override;
  void BeginProgress(int total) override;
  void SetProgress(int position) override;
  void EnableStart() override;
  void ClearWorkerStarted() override;

  std::vector<RecordedBox> Boxes() const;
  std::vector<WindowMessage> Posts() const;
  std::vector<WindowEvent> Events() const;
  // The progress calls only: {total of BeginProgress, positions of SetProgress...}.
  std::vector<WindowEvent> ProgressCalls() const;
  int CloseCount() const;
  int EnableStartCount() const;
  int ClearWorkerStartedCount() const;
  std::size_t PendingAnswers() const;

  // Waits until `message` has been posted (now or earlier); false on timeout.
  bool WaitForPost(WindowMessage message, std::chrono::milliseconds timeout);
  // Waits until anything at all has been posted; false on timeout.
  bool WaitForAnyPost(std::chrono::milliseconds timeout);

 private:
  void Record(WindowEvent event);
  int CountLocked(WindowEvent::Kind kind) const;

  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<int> answers_;
  std::vector<RecordedBox> boxes_;
  std::vector<WindowEvent> events_;
};

// Readable names for failure output: "0x402 (launch)".
std::string MessageName(WindowMessage message);

}  // namespace zefo::testing

namespace zefo {
// Lets GoogleTest print window messages by name.
void PrintTo(WindowMessage message, std::ostream* os);
}  // namespace zefo
