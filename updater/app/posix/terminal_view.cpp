#include "updater/app/posix/terminal_view.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr char kEscape = '\x1b';
// An Escape followed this quickly by more bytes starts a key's escape
// sequence (an arrow key), not a press of Escape.
constexpr int kEscapeSequenceMilliseconds = 30;
constexpr int kBarWidth = 30;

// The terminal's settings before key mode, for the signal handler too.
termios g_savedTerminal{};
int g_terminalFd = -1;
volatile std::sig_atomic_t g_keyMode = 0;

void RestoreTerminalAndRaise(int signalNumber) {
  if (g_keyMode) ::tcsetattr(g_terminalFd, TCSANOW, &g_savedTerminal);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

std::string Trim(const std::string& text) { return TrimString(text, " \t\r"); }

// System messages end in "\r\n"; a terminal needs plain line ends.
std::string TerminalText(const std::wstring& text) {
  std::string narrow = ToNarrowString(text);
  std::string plain;
  for (char c : narrow) {
    if (c != '\r') plain += c;
  }
  while (!plain.empty() && plain.back() == '\n') plain.pop_back();
  return plain;
}

bool ReadableWithin(int fd, int milliseconds) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, milliseconds) > 0;
}

}  // namespace

bool ParseBoxAnswer(const std::string& line, int& result) {
  const std::string answer = Trim(line);
  if (answer.empty() || answer == "1") {
    result = MessageBoxDlg::kConfirm;
    return true;
  }
  if (answer == "2" || answer == "q" || answer == "Q") {
    result = MessageBoxDlg::kQuit;
    return true;
  }
  return false;
}

TerminalView::TerminalView(int inputFd, std::FILE* output)
    : inputFd_(inputFd),
      output_(output),
      keyInput_(::isatty(inputFd) == 1),
      redrawOutput_(::isatty(::fileno(output)) == 1) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) == 0) {
    wakeRead_.reset(fds[0]);
    wakeWrite_.reset(fds[1]);
  }
}

TerminalView::~TerminalView() {
  if (reader_.joinable()) {
    const char wake = 1;
    if (::write(wakeWrite_.get(), &wake, 1) == 1) {
      reader_.join();
    } else {
      reader_.detach();
    }
  }
  RestoreTerminal();
}

void TerminalView::Attach(MainWindowInput& input) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input_ = &input;
  }
  if (keyInput_) EnterKeyMode();
  if (wakeRead_.valid()) reader_ = std::thread([this] { ReadInput(); });
}

void TerminalView::ShowStatus(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  EndProgressLine();
  Print(ToNarrowString(text) + "\n");
}

void TerminalView::ShowProgress(int position, int total, const std::wstring& percentText) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string percent = ToNarrowString(percentText);
  if (redrawOutput_) {
    int filled = total > 0 ? static_cast<int>(static_cast<long long>(position) * kBarWidth / total) : 0;
    filled = filled < 0 ? 0 : (filled > kBarWidth ? kBarWidth : filled);
    const std::string bar(static_cast<std::size_t>(filled), '#');
    const std::string rest(static_cast<std::size_t>(kBarWidth - filled), '-');
    Print("\r\x1b[K[" + bar + rest + "] " + percent);
    progressLineOpen_ = true;
  } else if (percentText != lastPercentText_) {
    Print("Progress: " + percent + "\n");
  }
  lastPercentText_ = percentText;
}

void TerminalView::ShowStartEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  startEnabled_ = enabled;
  if (!enabled) return;
  idle_ = false;
  EndProgressLine();
  Print(keyInput_ ? "Start: press Enter to start, Escape or q to exit.\n"
                  : "Start: a line starts, the end of input exits.\n");
  Dispatch();
}

void TerminalView::ShowMessageBox(const MessageBoxDlg& box) {
  std::lock_guard<std::mutex> lock(mutex_);
  EndProgressLine();
  const std::string colour = !redrawOutput_ ? "" : (box.alert() ? "\x1b[1;31m" : "\x1b[1;34m");
  const std::string reset = redrawOutput_ ? "\x1b[0m" : "";
  const std::string confirm = ToNarrowString(box.confirmLabel());
  const std::string quit = ToNarrowString(MessageBoxDlg::kQuitLabel);
  std::string buttons;
  if (keyInput_) {
    buttons = "[Enter] " + confirm;
    if (box.twoButtons()) buttons += "   [Esc/q] " + quit;
  } else {
    buttons = "Answer: 1 = " + confirm;
    if (box.twoButtons()) buttons += ", 2 = " + quit;
  }
  Print("\n" + colour + "== " + TerminalText(box.title()) + " ==\n" + TerminalText(box.message()) + reset +
        "\n" + buttons + "\n");
  boxShown_ = true;
  idle_ = false;
  Dispatch();
}

void TerminalView::ShowIdle() {
  std::lock_guard<std::mutex> lock(mutex_);
  idle_ = true;
  EndProgressLine();
  Print(keyInput_ ? "The update cannot go on: press Escape or q to exit.\n"
                  : "The update cannot go on: the end of input exits.\n");
  Dispatch();
}

void TerminalView::ShowClosed() {
  std::lock_guard<std::mutex> lock(mutex_);
  EndProgressLine();
  closed_ = true;
  boxShown_ = false;
  startEnabled_ = false;
  RestoreTerminal();
}

void TerminalView::ReadInput() {
  char buffer[256];
  for (;;) {
    if (!WaitReadable()) return;
    const ssize_t count = ::read(inputFd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      OnEndOfInput();
      return;
    }
    if (keyInput_) {
      TakeKeys(buffer, static_cast<std::size_t>(count));
    } else {
      TakeLines(buffer, static_cast<std::size_t>(count));
    }
  }
}

// True when input is ready; false when the view is going away.
bool TerminalView::WaitReadable() {
  for (;;) {
    pollfd entries[2] = {{inputFd_, POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
    if (::poll(entries, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (entries[1].revents != 0) return false;
    if (entries[0].revents != 0) return true;
  }
}

void TerminalView::TakeLines(const char* bytes, std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] == '\n') {
      lines_.push_back(partialLine_);
      partialLine_.clear();
    } else {
      partialLine_ += bytes[i];
    }
  }
  Dispatch();
}

void TerminalView::TakeKeys(const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const char byte = bytes[i];
    if (byte == '\r' || byte == '\n') {
      OnKey(Key::kEnter);
    } else if (byte == 'q' || byte == 'Q') {
      OnKey(Key::kQuit);
    } else if (byte == kEscape) {
      const bool sequence = i + 1 < count || ReadableWithin(inputFd_, kEscapeSequenceMilliseconds);
      if (!sequence) OnKey(Key::kQuit);
    }
  }
}

void TerminalView::OnKey(Key key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_ || input_ == nullptr) return;
  if (boxShown_) {
    Answer(key == Key::kEnter ? MessageBoxDlg::kConfirm : MessageBoxDlg::kQuit);
  } else if (key == Key::kQuit) {
    // Escape ends the window at any time, like Exit.
    input_->PressExit();
  } else if (startEnabled_) {
    startEnabled_ = false;
    input_->PressStart();
  }
}

void TerminalView::OnEndOfInput() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!partialLine_.empty()) lines_.push_back(partialLine_);
  partialLine_.clear();
  endOfInput_ = true;
  Dispatch();
}

void TerminalView::Dispatch() {
  while (!closed_ && input_ != nullptr) {
    if (boxShown_) {
      if (!lines_.empty()) {
        const std::string line = lines_.front();
        lines_.pop_front();
        int result = 0;
        if (ParseBoxAnswer(line, result)) {
          Answer(result);
        } else {
          Print("Not an answer: \"" + Trim(line) + "\" (1 = confirm, 2 or q = Quit)\n");
        }
      } else if (endOfInput_) {
        Answer(MessageBoxDlg::kQuit);
      } else {
        return;
      }
    } else if (startEnabled_ && (!lines_.empty() || endOfInput_)) {
      startEnabled_ = false;
      if (!lines_.empty()) {
        lines_.pop_front();
        input_->PressStart();
      } else {
        input_->PressExit();
      }
    } else if (idle_ && endOfInput_) {
      idle_ = false;
      input_->PressExit();
    } else {
      return;
    }
  }
}

void TerminalView::Answer(int result) {
  boxShown_ = false;
  input_->AnswerBox(result);
}

void TerminalView::Print(const std::string& text) {
  std::fputs(text.c_str(), output_);
  std::fflush(output_);
}

void TerminalView::EndProgressLine() {
  if (!progressLineOpen_) return;
  Print("\n");
  progressLineOpen_ = false;
}

void TerminalView::EnterKeyMode() {
  if (::tcgetattr(inputFd_, &g_savedTerminal) != 0) return;
  termios keys = g_savedTerminal;
  keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  keys.c_cc[VMIN] = 1;
  keys.c_cc[VTIME] = 0;
  g_terminalFd = inputFd_;
  if (::tcsetattr(inputFd_, TCSANOW, &keys) != 0) return;
  g_keyMode = 1;
  // The terminal must not stay without echo when the program is interrupted.
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signalNumber, RestoreTerminalAndRaise);
}

void TerminalView::RestoreTerminal() {
  if (!g_keyMode) return;
  ::tcsetattr(g_terminalFd, TCSANOW, &g_savedTerminal);
  g_keyMode = 0;
}

}  // namespace zefo
