#include "updater/app/posix/terminal_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace zefo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The view's reports, as "start", "exit", "answer 1".
class FakeInput final : public MainWindowInput {
 public:
  void PressStart() override { Record("start"); }
  void PressExit() override { Record("exit"); }
  void AnswerBox(int result) override { Record("answer " + std::to_string(result)); }
  void Deliver(WindowMessage message) override { Record("message " + std::to_string(static_cast<unsigned>(message))); }

  // Waits until `count` reports have come (false after a generous limit).
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return reports_.size() >= count; });
  }
  std::vector<std::string> reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }

 private:
  void Record(std::string report) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reports_.push_back(std::move(report));
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> reports_;
};

MessageBoxDlg Box(const std::wstring& title, const std::wstring& message, bool twoButtons) {
  MessageBoxDlg box;
  box.SetTexts(title, message);
  if (twoButtons) {
    box.SetConfirmText(L"file recovery");
  } else {
    box.SetSingleButton();
  }
  return box;
}

// The view reading a pipe the test writes to, writing to a temporary file.
class TerminalViewTest : public ::testing::Test {
 protected:
  TerminalViewTest() {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    readEnd_ = fds[0];
    writeEnd_ = fds[1];
    output_ = std::tmpfile();
    view_ = std::make_unique<TerminalView>(readEnd_, output_);
    view_->Attach(input_);
  }
  ~TerminalViewTest() override {
    view_.reset();
    CloseInput();
    ::close(readEnd_);
    std::fclose(output_);
  }

  void Type(const std::string& text) {
    ASSERT_EQ(::write(writeEnd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void CloseInput() {
    if (writeEnd_ >= 0) ::close(writeEnd_);
    writeEnd_ = -1;
  }
  std::string Output() {
    std::fflush(output_);
    std::rewind(output_);
    std::string text;
    for (int c = std::fgetc(output_); c != EOF; c = std::fgetc(output_)) text += static_cast<char>(c);
    return text;
  }

  FakeInput input_;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  std::FILE* output_ = nullptr;
  std::unique_ptr<TerminalView> view_;
};

TEST(ParseBoxAnswerTest, OneLinePerBox) {
  const struct {
    const char* line;
    bool valid;
    int result;
  } cases[] = {
      {"", true, 1}, {"1", true, 1}, {" 1\r", true, 1}, {"2", true, 2}, {"q", true, 2}, {"Q", true, 2},
      {"3", false, 0}, {"yes", false, 0}, {"12", false, 0},
  };
  for (const auto& c : cases) {
    int result = 0;
    EXPECT_EQ(ParseBoxAnswer(c.line, result), c.valid) << '"' << c.line << '"';
    if (c.valid) {
      EXPECT_EQ(result, c.result) << '"' << c.line << '"';
    }
  }
}

TEST_F(TerminalViewTest, LinesWaitForTheBoxesThatNeedThem) {
  Type("2\nnonsense\n\n");
  // Nothing asks yet: the lines are kept.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(input_.reports().empty());

  view_->ShowMessageBox(Box(L"ERROR", L"first", true));
  ASSERT_TRUE(input_.WaitFor(1));
  view_->ShowMessageBox(Box(L"ERROR", L"second", false));
  ASSERT_TRUE(input_.WaitFor(2));
  EXPECT_THAT(input_.reports(), ElementsAre("answer 2", "answer 1"));
  EXPECT_THAT(Output(), HasSubstr("Not an answer: \"nonsense\""));
}

TEST_F(TerminalViewTest, EndOfInputClosesBoxesAndPressesExit) {
  CloseInput();
  view_->ShowMessageBox(Box(L"ERROR", L"first", true));
  ASSERT_TRUE(input_.WaitFor(1));
  view_->ShowMessageBox(Box(L"ERROR", L"second", true));
  ASSERT_TRUE(input_.WaitFor(2));
  view_->ShowStartEnabled(true);
  ASSERT_TRUE(input_.WaitFor(3));
  EXPECT_THAT(input_.reports(), ElementsAre("answer 2", "answer 2", "exit"));
}

TEST_F(TerminalViewTest, EndOfInputExitsOnceNothingIsLeftButExit) {
  Type("kept\n");
  view_->ShowIdle();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(input_.reports().empty());
  CloseInput();
  ASSERT_TRUE(input_.WaitFor(1));
  EXPECT_THAT(input_.reports(), ElementsAre("exit"));
}

TEST_F(TerminalViewTest, ALinePressesStartOnceItIsEnabled) {
  Type("go\n");
  view_->ShowStartEnabled(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(input_.reports().empty());
  view_->ShowStartEnabled(true);
  ASSERT_TRUE(input_.WaitFor(1));
  // The last line has no line end: the end of input still delivers it.
  Type("1");
  CloseInput();
  view_->ShowMessageBox(Box(L"ERROR", L"after", true));
  ASSERT_TRUE(input_.WaitFor(2));
  EXPECT_THAT(input_.reports(), ElementsAre("start", "answer 1"));
}

TEST_F(TerminalViewTest, ShowsStatusPercentagesAndBoxesAsPlainLines) {
  view_->ShowStatus(L"Update\t Checking ...");
  view_->ShowStatus(L"Updating...");
  view_->ShowProgress(0, 3, L"0%");
  view_->ShowProgress(0, 3, L"0%");
  view_->ShowProgress(1, 3, L"33%");
  view_->ShowMessageBox(Box(L"ERROR", L"The file was changed.\r\nDetails", true));
  view_->ShowMessageBox(Box(L"ZEFOLauncher_ERROR", L"Program is already Running", false));
  view_->ShowClosed();
  EXPECT_EQ(Output(),
            "Update\t Checking ...\n"
            "Updating...\n"
            "Progress: 0%\n"
            "Progress: 33%\n"
            "\n== ERROR ==\nThe file was changed.\nDetails\nAnswer: 1 = file recovery, 2 = Quit\n"
            "\n== ZEFOLauncher_ERROR ==\nProgram is already Running\nAnswer: 1 = Confirm\n");
}

TEST_F(TerminalViewTest, NothingIsAnsweredAfterTheWindowClosed) {
  view_->ShowClosed();
  CloseInput();
  view_->ShowMessageBox(Box(L"ERROR", L"late", true));
  view_->ShowStartEnabled(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(input_.reports().empty());
}

}  // namespace
}  // namespace zefo
