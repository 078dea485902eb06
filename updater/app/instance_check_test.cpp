#include "updater/app/instance_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "updater/sys/text.h"

namespace zefo {
namespace {

using ::testing::ElementsAre;

// Records every call in order; mutexes named in `held` belong to another process.
class FakeSystem final : public InstanceSystem {
 public:
  bool live = true;
  std::vector<std::wstring> arguments;
  std::set<std::wstring> held;
  std::vector<std::string> calls;

  bool EvaluateMode() override {
    calls.push_back(live ? "mode live" : "mode stage");
    return live;
  }
  const std::vector<std::wstring>& Arguments() override { return arguments; }
  void SleepMilliseconds(unsigned milliseconds) override {
    calls.push_back("sleep " + std::to_string(milliseconds));
  }
  void TerminateProcessesByName(const std::wstring& name) override {
    calls.push_back("terminate " + ToNarrowString(name));
  }
  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) override {
    alreadyExisted = held.count(name) != 0;
    calls.push_back("mutex " + Short(name) + (alreadyExisted ? " existed" : ""));
    return std::make_unique<FakeMutex>(*this, Short(name));
  }
  void BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam) override {
    calls.push_back("broadcast " + std::to_string(wParam) + " " + std::to_string(lParam));
  }

 private:
  class FakeMutex final : public NamedMutex {
   public:
    FakeMutex(FakeSystem& system, std::string name) : system_(system), name_(std::move(name)) {}
    ~FakeMutex() override { system_.calls.push_back("release " + name_); }

   private:
    FakeSystem& system_;
    std::string name_;
  };

  static std::string Short(const std::wstring& name) {
    return name.find(L"ZLAuNCHER") != std::wstring::npos ? "launcher" : "updater";
  }
};

class FakeBoxHost final : public MessageBoxHost {
 public:
  int answer = MessageBoxDlg::kConfirm;
  std::vector<MessageBoxDlg> shown;
  int RunMessageBox(const MessageBoxDlg& box) override {
    shown.push_back(box);
    return answer;
  }
};

const std::wstring kLauncherMutex = L"<<<#$&*#^ &&ZLAuNCHER&& ^%$@#!@>>>";
const std::wstring kUpdaterMutex = L"<<<^&*()^ &&ZEFOLauncher&& ^%$()_$>>>";

class InstanceCheckTest : public ::testing::Test {
 protected:
  bool Check() { return CheckRunningInstances(locks_, system_, host_); }

  FakeSystem system_;
  FakeBoxHost host_;
  InstanceLocks locks_;
};

TEST_F(InstanceCheckTest, NothingRunningTerminatesStrayLaunchersAndKeepsBothMutexes) {
  EXPECT_FALSE(Check());
  EXPECT_THAT(system_.calls, ElementsAre("mode live", "mutex launcher", "terminate ZLauncher.exe", "mutex updater"));
  EXPECT_NE(locks_.launcherMutex, nullptr);
  EXPECT_NE(locks_.updaterMutex, nullptr);
  EXPECT_TRUE(host_.shown.empty());
}

TEST_F(InstanceCheckTest, RestartArgumentPausesAndTerminatesLaunchersFirst) {
  system_.arguments = {L"A", L"ZEFO_Restart", L"ZEFO_Restart"};
  EXPECT_FALSE(Check());
  EXPECT_THAT(system_.calls, ElementsAre("mode live", "sleep 100", "terminate ZLauncher.exe", "mutex launcher",
                                         "terminate ZLauncher.exe", "mutex updater"));
}

TEST_F(InstanceCheckTest, RestartArgumentMustMatchExactly) {
  system_.arguments = {L"zefo_restart", L"ZEFO_Restart "};
  Check();
  EXPECT_THAT(system_.calls, ElementsAre("mode live", "mutex launcher", "terminate ZLauncher.exe", "mutex updater"));
}

TEST_F(InstanceCheckTest, RunningLauncherGetsTheTokenAndModeAndIsLeftAlone) {
  const struct {
    bool live;
    std::vector<std::wstring> arguments;
    std::string broadcast;
  } cases[] = {
      {true, {}, "broadcast 0 1365"},
      {false, {}, "broadcast 0 2951"},
      {true, {L"x:TAVRIN:abc"}, "broadcast 683 1365"},
      {false, {L"ZEFO_Starter", L"x:TAVRIN:Live"}, "broadcast 1365 2951"},
      {true, {L"TAVRIN:abc"}, "broadcast 0 1365"},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.live = c.live;
    system.arguments = c.arguments;
    system.held = {kLauncherMutex};
    InstanceLocks locks;
    EXPECT_TRUE(CheckRunningInstances(locks, system, host_));
    EXPECT_THAT(system.calls, ElementsAre(c.live ? "mode live" : "mode stage", "mutex launcher existed",
                                          c.broadcast, "mutex updater"));
  }
  EXPECT_TRUE(host_.shown.empty());
}

TEST_F(InstanceCheckTest, SecondUpdaterShowsTheBoxAndClosesHoweverItEnds) {
  for (int answer : {MessageBoxDlg::kConfirm, MessageBoxDlg::kQuit}) {
    FakeSystem system;
    system.held = {kUpdaterMutex};
    FakeBoxHost host;
    host.answer = answer;
    InstanceLocks locks;
    EXPECT_TRUE(CheckRunningInstances(locks, system, host)) << answer;
    ASSERT_EQ(host.shown.size(), 1u);
    const MessageBoxDlg& box = host.shown.front();
    EXPECT_EQ(box.title(), L"ZEFOLauncher_ERROR");
    EXPECT_EQ(box.message(), L"Program is already Running");
    EXPECT_TRUE(box.alert());
    EXPECT_FALSE(box.twoButtons());
    EXPECT_EQ(box.confirmLabel(), L"Confirm");
    // The handle to the other updater's mutex is closed; the launcher's stays.
    EXPECT_EQ(locks.updaterMutex, nullptr);
    EXPECT_NE(locks.launcherMutex, nullptr);
    EXPECT_EQ(system.calls.back(), "release updater");
  }
}

TEST_F(InstanceCheckTest, LauncherAndSecondUpdaterRunning) {
  system_.held = {kLauncherMutex, kUpdaterMutex};
  EXPECT_TRUE(Check());
  EXPECT_THAT(system_.calls, ElementsAre("mode live", "mutex launcher existed", "broadcast 0 1365",
                                         "mutex updater existed", "release updater"));
  EXPECT_EQ(host_.shown.size(), 1u);
}

}  // namespace
}  // namespace zefo
