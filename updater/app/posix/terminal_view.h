// The main window on a text terminal: status line, progress bar and message
// boxes as text, answered from standard input.
//
// Input, fixed so that scripts and tests can drive the program:
// - on a terminal, keys are read one by one: Enter is the box's confirm
//   button (or Start once it is enabled again), Escape or q is "Quit" (or
//   Exit when no box is shown);
// - otherwise one line per box: empty or "1" confirms (1), "2" or "q" quits
//   (2), end of input closes the box (2); once Start is enabled again, a line
//   presses Start and end of input presses Exit; so does the end of input once
//   nothing is left but Exit. Lines are kept until a box or Start needs them.
// Output on a terminal redraws the progress bar in place; otherwise each new
// percentage is a line of its own.
#pragma once

#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "updater/app/main_window_view.h"
#include "updater/app/posix/unique_fd.h"

namespace zefo {

// How an input line answers a box; false for a line that is no answer.
bool ParseBoxAnswer(const std::string& line, int& result);

class TerminalView final : public MainWindowView {
 public:
  TerminalView(int inputFd, std::FILE* output);
  ~TerminalView() override;
  TerminalView(const TerminalView&) = delete;
  TerminalView& operator=(const TerminalView&) = delete;

  void Attach(MainWindowInput& input) override;
  void ShowStatus(const std::wstring& text) override;
  void ShowProgress(int position, int total, const std::wstring& percentText) override;
  void ShowStartEnabled(bool enabled) override;
  void ShowMessageBox(const MessageBoxDlg& box) override;
  void ShowIdle() override;
  void ShowClosed() override;

 private:
  enum class Key { kEnter, kQuit };

  void ReadInput();
  bool WaitReadable();
  void TakeLines(const char* bytes, std::size_t count);
  void TakeKeys(const char* bytes, std::size_t count);
  void OnKey(Key key);
  void OnEndOfInput();
  // Hands kept lines (or the end of input) to the box or to Start; under mutex_.
  void Dispatch();
  void Answer(int result);
  void Print(const std::string& text);
  void EndProgressLine();
  void EnterKeyMode();
  void RestoreTerminal();

  const int inputFd_;
  std::FILE* const output_;
  const bool keyInput_;      // the input is a terminal: keys, not lines
  const bool redrawOutput_;  // the output is a terminal: redraw in place, colours
  UniqueFd wakeRead_;
  UniqueFd wakeWrite_;
  std::thread reader_;

  std::mutex mutex_;
  // Under mutex_:
  MainWindowInput* input_ = nullptr;
  bool boxShown_ = false;
  bool startEnabled_ = false;
  bool idle_ = false;
  bool closed_ = false;
  bool endOfInput_ = false;
  std::deque<std::string> lines_;
  std::string partialLine_;
  bool progressLineOpen_ = false;
  std::wstring lastPercentText_;
};

}  // namespace zefo
