#include "updater/app/main_window_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "updater/sys/text.h"

namespace zefo {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr auto kWaitLimit = std::chrono::seconds(20);

// Records what the window shows, as lines such as "status Updating..." or
// "box ERROR"; boxes are answered from a script or later by the test.
class FakeView final : public MainWindowView {
 public:
  std::vector<int> boxAnswers;  // answered at once, in order, while any are left
  std::function<void(MainWindowInput&)> onStartEnabled;

  void Attach(MainWindowInput& input) override { input_ = &input; }
  void ShowStatus(const std::wstring& text) override { Record("status " + ToNarrowString(text)); }
  void ShowProgress(int position, int total, const std::wstring& percentText) override {
    Record("progress " + std::to_string(position) + "/" + std::to_string(total) + " " +
           ToNarrowString(percentText));
  }
  void ShowStartEnabled(bool enabled) override {
    Record(enabled ? "start on" : "start off");
    if (enabled && onStartEnabled) onStartEnabled(*input_);
  }
  void ShowMessageBox(const MessageBoxDlg& box) override {
    Record("box " + ToNarrowString(box.title()));
    if (nextAnswer_ < boxAnswers.size()) input_->AnswerBox(boxAnswers[nextAnswer_++]);
  }
  void ShowIdle() override { Record("idle"); }
  void ShowClosed() override { Record("closed"); }

  MainWindowInput& input() { return *input_; }
  std::vector<std::string> BoxTitles() {
    std::vector<std::string> titles;
    for (const auto& e : events()) {
      if (e.rfind("box ", 0) == 0) titles.push_back(e.substr(4));
    }
    return titles;
  }
  bool WaitForBoxes(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (BoxTitles().size() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  std::vector<std::string> events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // Waits until `event` has been shown (false after the wait limit).
  bool WaitFor(const std::string& event) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kWaitLimit, [&] {
      for (const auto& e : events_) {
        if (e == event) return true;
      }
      return false;
    });
  }

 private:
  void Record(std::string event) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(std::move(event));
    }
    changed_.notify_all();
  }

  MainWindowInput* input_ = nullptr;
  std::size_t nextAnswer_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
};

// Records the calls the window makes; workers run the given scripts on threads
// of their own, joined by the test.
class FakeShell final : public ShellServices {
 public:
  bool closeAtCheck = false;
  bool launchWithoutUpdate = false;
  std::function<void(MessageBoxHost&)> duringCheck;
  std::function<void(MainWindowPort&)> onCheckInstallation;
  std::function<void(MainWindowPort&)> updateWorker;
  std::function<void(MainWindowPort&)> fullDownloadWorker;
  std::function<void(MainWindowPort&)> onPromptRestart;

  ~FakeShell() override { JoinWorkers(); }

  void TidyProgramFolder() override { Record("tidy"); }
  void ClearLaunchWithoutUpdate() override {
    Record("clear launch flag");
    launchWithoutUpdate = false;
  }
  bool LaunchWithoutUpdate() override { return launchWithoutUpdate; }
  bool CheckRunningInstances(MessageBoxHost& host) override {
    Record("check instances");
    if (duringCheck) duringCheck(host);
    return closeAtCheck;
  }
  void CheckInstallation(MainWindowPort& window) override {
    Record("check installation");
    if (onCheckInstallation) onCheckInstallation(window);
  }
  void PromptRestart(MainWindowPort& window) override {
    Record("prompt restart");
    if (onPromptRestart) onPromptRestart(window);
  }
  void StartLauncher(MainWindowPort& window) override {
    Record("start launcher");
    window.SendClose();
  }
  void StartUpdateWorker(MainWindowPort& window, std::function<void()> ended) override {
    Record("update worker");
    Spawn(updateWorker, window, std::move(ended));
  }
  void StartFullDownloadWorker(MainWindowPort& window, std::function<void()> ended) override {
    Record("full download worker");
    Spawn(fullDownloadWorker, window, std::move(ended));
  }

  void JoinWorkers() {
    for (std::thread& worker : workers_) {
      if (worker.joinable()) worker.join();
    }
  }
  std::vector<std::string> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

 private:
  void Record(std::string call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }
  void Spawn(const std::function<void(MainWindowPort&)>& script, MainWindowPort& window,
             std::function<void()> ended) {
    workers_.emplace_back([script, &window, ended = std::move(ended)] {
      if (script) script(window);
      ended();
    });
  }

  std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<std::thread> workers_;
};

MessageBoxDlg Box(const std::wstring& title) {
  MessageBoxDlg box;
  box.SetTexts(title, L"message");
  return box;
}

class MainWindowControllerTest : public ::testing::Test {
 protected:
  // Runs the window to its end, then waits for the workers.
  void Run() {
    window_.RunModal();
    shell_.JoinWorkers();
  }

  FakeView view_;
  FakeShell shell_;
  MainWindowController window_{view_, shell_};
};

TEST(ProgressPercentageTest, TruncatedSinglePrecisionPercentage) {
  const struct {
    int position, total, percent;
  } cases[] = {
      {0, 3, 0}, {1, 3, 33}, {2, 3, 66}, {3, 3, 100}, {99, 100, 99}, {65534, 65535, 99}, {65535, 65535, 100},
      // Without a run begun there is no total: no division, 0%.
      {5, 0, 0},
      // Outside 0..total the bar is empty or full.
      {-1, 10, 0}, {20, 10, 100},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressPercentage(c.position, c.total), c.percent) << c.position << "/" << c.total;
  }
}

TEST_F(MainWindowControllerTest, AnotherInstanceClosesTheWindowAtOnce) {
  shell_.closeAtCheck = true;
  Run();
  EXPECT_THAT(shell_.calls(), ElementsAre("tidy", "clear launch flag", "check instances"));
  EXPECT_THAT(view_.events(), ElementsAre("status Update\t Checking ...", "closed"));
}

TEST_F(MainWindowControllerTest, StartsTheUpdateByItselfAndLaunchesWhenTheWorkerSaysSo) {
  shell_.updateWorker = [](MainWindowPort& window) {
    window.ClearWorkerStarted();
    window.Post(WindowMessage::kUpdateLaunch);
  };
  Run();
  EXPECT_THAT(shell_.calls(), ElementsAre("tidy", "clear launch flag", "check instances", "check installation",
                                          "update worker", "start launcher"));
  EXPECT_THAT(view_.events(), ElementsAre("status Update\t Checking ...", "start off", "closed"));
  EXPECT_FALSE(window_.workerStarted());
}

TEST_F(MainWindowControllerTest, LaunchWithoutUpdateStartsTheLauncherOnStart) {
  // The version check failed and its box was confirmed: Start is enabled again.
  shell_.updateWorker = [this](MainWindowPort& window) {
    shell_.launchWithoutUpdate = true;
    window.EnableStart();
    window.ClearWorkerStarted();
  };
  view_.onStartEnabled = [](MainWindowInput& input) { input.PressStart(); };
  Run();
  EXPECT_THAT(shell_.calls(), ElementsAre("tidy", "clear launch flag", "check instances", "check installation",
                                          "update worker", "start launcher"));
}

TEST_F(MainWindowControllerTest, StartWhileAWorkerRunsStartsNoSecondWorker) {
  // The worker enables Start without having ended; the second press only
  // repeats the install check (which here ends the program).
  shell_.updateWorker = [](MainWindowPort& window) { window.EnableStart(); };
  view_.onStartEnabled = [](MainWindowInput& input) { input.PressStart(); };
  int checks = 0;
  shell_.onCheckInstallation = [&checks](MainWindowPort& window) {
    if (++checks == 2) window.Post(WindowMessage::kAppExit);
  };
  Run();
  EXPECT_THAT(shell_.calls(), ElementsAre("tidy", "clear launch flag", "check instances", "check installation",
                                          "update worker", "check installation"));
  EXPECT_TRUE(window_.workerStarted());
}

TEST_F(MainWindowControllerTest, StartPressedWhileDisabledDoesNothing) {
  shell_.updateWorker = [this](MainWindowPort& window) {
    view_.input().PressStart();
    window.Post(WindowMessage::kAppExit);
  };
  Run();
  EXPECT_THAT(shell_.calls(), Not(Contains("start launcher")));
  EXPECT_EQ(shell_.calls().size(), 5u);
}

TEST_F(MainWindowControllerTest, FullDownloadStartsItsWorkerEvenWhileTheUpdateWorkerReturns) {
  shell_.updateWorker = [](MainWindowPort& window) { window.Post(WindowMessage::kUpdateFullDownload); };
  shell_.fullDownloadWorker = [](MainWindowPort& window) {
    window.ClearWorkerStarted();
    window.Post(WindowMessage::kUpdateRestart);
  };
  shell_.onPromptRestart = [](MainWindowPort& window) { window.Post(WindowMessage::kAppExit); };
  Run();
  EXPECT_THAT(shell_.calls(), ElementsAre("tidy", "clear launch flag", "check instances", "check installation",
                                          "update worker", "full download worker", "prompt restart"));
}

TEST_F(MainWindowControllerTest, ExitPressedClosesTheWindow) {
  shell_.updateWorker = [this](MainWindowPort&) { view_.input().PressExit(); };
  Run();
  EXPECT_EQ(view_.events().back(), "closed");
}

TEST_F(MainWindowControllerTest, AWorkerEndingWithoutAWayOnLeavesOnlyExit) {
  // The version check failed and its box was closed: the worker posts nothing.
  shell_.updateWorker = [](MainWindowPort& window) { window.ClearWorkerStarted(); };
  std::thread user([this] {
    ASSERT_TRUE(view_.WaitFor("idle"));
    view_.input().PressExit();
  });
  Run();
  user.join();
  EXPECT_THAT(view_.events(), ElementsAre("status Update\t Checking ...", "start off", "idle", "closed"));
}

TEST_F(MainWindowControllerTest, NoIdleWhileStartIsEnabledOrAnotherWorkerRuns) {
  shell_.updateWorker = [](MainWindowPort& window) { window.Post(WindowMessage::kUpdateFullDownload); };
  shell_.fullDownloadWorker = [](MainWindowPort& window) { window.EnableStart(); };
  view_.onStartEnabled = [](MainWindowInput& input) { input.PressExit(); };
  Run();
  EXPECT_THAT(view_.events(), Not(Contains("idle")));
}

TEST_F(MainWindowControllerTest, ProgressShowsTheUpdatingStateAndPercentages) {
  shell_.updateWorker = [this](MainWindowPort& window) {
    window.SetProgress(7);  // before any run: nothing shows
    window.BeginProgress(3);
    ASSERT_TRUE(view_.WaitFor("progress 0/3 0%"));
    window.SetProgress(1);
    ASSERT_TRUE(view_.WaitFor("progress 1/3 33%"));
    window.SetProgress(3);
    ASSERT_TRUE(view_.WaitFor("progress 3/3 100%"));
    window.Post(WindowMessage::kAppExit);
  };
  Run();
  const auto events = view_.events();
  EXPECT_THAT(events, Contains("status Updating..."));
  EXPECT_THAT(events, Not(Contains(::testing::HasSubstr("progress 7"))));
}

TEST_F(MainWindowControllerTest, WorkerBoxWaitsForItsAnswerWhileTheWindowKeepsWorking) {
  int result = 0;
  std::thread helper;
  shell_.updateWorker = [&](MainWindowPort& window) {
    window.BeginProgress(4);
    helper = std::thread([&] {
      ASSERT_TRUE(view_.WaitFor("box tampered"));
      // The box is up and its worker waits; progress still reaches the view.
      window.SetProgress(2);
      ASSERT_TRUE(view_.WaitFor("progress 2/4 50%"));
      view_.input().AnswerBox(MessageBoxDlg::kConfirm);
    });
    result = window.RunMessageBox(Box(L"tampered"));
    window.Post(WindowMessage::kAppExit);
  };
  Run();
  helper.join();
  EXPECT_EQ(result, MessageBoxDlg::kConfirm);
}

TEST_F(MainWindowControllerTest, BoxOnTheWindowThreadRunsANestedLoop) {
  int result = 0;
  std::thread helper;
  shell_.closeAtCheck = true;
  shell_.duringCheck = [&](MessageBoxHost& host) {
    helper = std::thread([&] {
      ASSERT_TRUE(view_.WaitFor("box ZEFOLauncher_ERROR"));
      window_.BeginProgress(2);
      ASSERT_TRUE(view_.WaitFor("progress 0/2 0%"));
      view_.input().AnswerBox(MessageBoxDlg::kQuit);
    });
    result = host.RunMessageBox(Box(L"ZEFOLauncher_ERROR"));
  };
  Run();
  helper.join();
  EXPECT_EQ(result, MessageBoxDlg::kQuit);
  EXPECT_EQ(view_.events().back(), "closed");
}

TEST_F(MainWindowControllerTest, BoxesOfTwoWorkersAreShownOneAtATime) {
  int first = 0;
  int second = 0;
  std::thread other;
  shell_.updateWorker = [&](MainWindowPort& window) {
    other = std::thread([&] { second = window.RunMessageBox(Box(L"second")); });
    first = window.RunMessageBox(Box(L"first"));
    other.join();
    window.Post(WindowMessage::kAppExit);
  };
  std::thread answerer([&] {
    ASSERT_TRUE(view_.WaitForBoxes(1));
    // Give the other worker time to ask: its box must still wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(view_.BoxTitles().size(), 1u);
    view_.input().AnswerBox(MessageBoxDlg::kConfirm);
    ASSERT_TRUE(view_.WaitForBoxes(2));
    view_.input().AnswerBox(MessageBoxDlg::kQuit);
  });
  Run();
  answerer.join();
  const auto titles = view_.BoxTitles();
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(first, titles[0] == "first" ? MessageBoxDlg::kConfirm : MessageBoxDlg::kQuit);
  EXPECT_EQ(second, titles[0] == "second" ? MessageBoxDlg::kConfirm : MessageBoxDlg::kQuit);
}

TEST_F(MainWindowControllerTest, CloseFromAWorkerClosesOpenBoxesAndDropsLaterPosts) {
  int result = 0;
  std::thread boxWorker;
  shell_.updateWorker = [&](MainWindowPort& window) {
    boxWorker = std::thread([&] { result = window.RunMessageBox(Box(L"open")); });
    ASSERT_TRUE(view_.WaitFor("box open"));
    window.SendClose();  // returns once the window is closed
    EXPECT_EQ(view_.events().back(), "closed");
    window.Post(WindowMessage::kUpdateLaunch);
    EXPECT_EQ(window.RunMessageBox(Box(L"late")), MessageBoxDlg::kQuit);
    boxWorker.join();
  };
  Run();
  EXPECT_EQ(result, MessageBoxDlg::kQuit);
  EXPECT_THAT(shell_.calls(), Not(Contains("start launcher")));
  EXPECT_THAT(view_.events(), Not(Contains("box late")));
}

// A front-end with a loop of its own (as a Win32 message loop): the window's
// thread sleeps until the view is woken, and boxes are answered on the thread
// that asks for them.
class OwnLoopView final : public MainWindowView {
 public:
  void Attach(MainWindowInput& input) override { input_ = &input; }
  void ShowStatus(const std::wstring&) override {}
  void ShowProgress(int, int, const std::wstring&) override {}
  void ShowStartEnabled(bool) override {}
  void ShowMessageBox(const MessageBoxDlg&) override { queuedBoxes = true; }
  void ShowIdle() override {}
  void ShowClosed() override {}

  void WaitForWork(std::unique_lock<std::mutex>& lock, std::condition_variable&) override {
    ++waits;
    lock.unlock();
    {
      std::unique_lock<std::mutex> own(mutex_);
      // A wake that never comes would leave the window asleep for good.
      if (!woken_.wait_for(own, kWaitLimit, [this] { return wakePending_; })) missedWakes = true;
      wakePending_ = false;
    }
    lock.lock();
  }
  void WakeForWork() override {
    {
      std::lock_guard<std::mutex> own(mutex_);
      wakePending_ = true;
    }
    woken_.notify_all();
  }
  std::optional<int> RunMessageBoxHere(const MessageBoxDlg& box) override {
    boxThread = std::this_thread::get_id();
    boxTitle = box.title();
    return MessageBoxDlg::kConfirm;
  }

  MainWindowInput& input() { return *input_; }

  std::atomic<int> waits{0};
  std::atomic<bool> missedWakes{false};
  std::atomic<bool> queuedBoxes{false};
  std::thread::id boxThread;
  std::wstring boxTitle;

 private:
  MainWindowInput* input_ = nullptr;
  std::mutex mutex_;
  std::condition_variable woken_;
  bool wakePending_ = false;
};

TEST(MainWindowControllerOwnLoopTest, WaitsInTheViewsLoopAndRunsBoxesOnTheAskingThread) {
  OwnLoopView view;
  FakeShell shell;
  MainWindowController window(view, shell);
  std::thread::id workerThread;
  int answer = 0;
  shell.updateWorker = [&](MainWindowPort& port) {
    workerThread = std::this_thread::get_id();
    answer = port.RunMessageBox(Box(L"tampered"));
    // Once the window's thread sleeps in the view's loop, a message posted to
    // the window from outside wakes it and reaches the controller.
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (view.waits == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    view.input().Deliver(WindowMessage::kUpdateLaunch);
  };
  window.RunModal();
  shell.JoinWorkers();
  EXPECT_EQ(answer, MessageBoxDlg::kConfirm);
  EXPECT_EQ(view.boxThread, workerThread);
  EXPECT_EQ(view.boxTitle, L"tampered");
  EXPECT_FALSE(view.queuedBoxes);
  EXPECT_GT(view.waits, 0);
  EXPECT_FALSE(view.missedWakes);
  EXPECT_THAT(shell.calls(), Contains("start launcher"));
}

}  // namespace
}  // namespace zefo
