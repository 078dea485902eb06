#include "updater/app/instance_check.h"

#include <algorithm>

#include "updater/app/app_names.h"
#include "updater/app/launch_token.h"
#include "updater/app/show_up_broadcast.h"
#include "updater/app/string_hash.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/process.h"

namespace zefo {
namespace {

constexpr unsigned kRestartPauseMilliseconds = 100;

}  // namespace

bool SystemInstanceServices::EvaluateMode() { return manager_.EvaluateMode(); }

const std::vector<std::wstring>& SystemInstanceServices::Arguments() { return ProgramArguments(); }

void SystemInstanceServices::SleepMilliseconds(unsigned milliseconds) {
  zefo::SleepMilliseconds(milliseconds);
}

void SystemInstanceServices::TerminateProcessesByName(const std::wstring& name) {
  zefo::TerminateProcessesByName(name);
}

std::unique_ptr<NamedMutex> SystemInstanceServices::CreateNamedMutex(const std::wstring& name,
                                                                     bool& alreadyExisted) {
  return zefo::CreateNamedMutex(name, alreadyExisted);
}

void SystemInstanceServices::BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam) {
  zefo::BroadcastShowUp(wParam, lParam);
}

bool CheckRunningInstances(InstanceLocks& locks, InstanceSystem& system, MessageBoxHost& host) {
  const bool live = system.EvaluateMode();
  const std::vector<std::wstring>& arguments = system.Arguments();

  // A launcher that restarts the updater may still be ending.
  if (std::find(arguments.begin(), arguments.end(), kRestartArgument) != arguments.end()) {
    system.SleepMilliseconds(kRestartPauseMilliseconds);
    system.TerminateProcessesByName(kLauncherProcessName);
  }

  bool closeNow = false;
  bool launcherRunning = false;
  locks.launcherMutex = system.CreateNamedMutex(kLauncherMutexName, launcherRunning);
  if (launcherRunning) {
    std::uint32_t wParam = 0;
    std::wstring token;
    if (ParseLaunchToken(arguments, token)) wParam = StringHash(token);
    const std::uint32_t lParam = StringHash(live ? kLiveModeName : kStageModeName);
    system.BroadcastShowUp(wParam, lParam);
    closeNow = true;
  } else {
    // A launcher running without its mutex does not survive the update.
    system.TerminateProcessesByName(kLauncherProcessName);
  }

  bool updaterRunning = false;
  locks.updaterMutex = system.CreateNamedMutex(kUpdaterMutexName, updaterRunning);
  if (updaterRunning) {
    MessageBoxDlg box;
    box.SetTexts(L"ZEFOLauncher_" L"ERROR", L"Program is already Running");
    box.UseAlertColour();
    box.SetSingleButton();
    box.DoModal(host);
    // However the box ends, two updaters must never work on one program folder.
    locks.updaterMutex.reset();
    closeNow = true;
  }
  return closeNow;
}

}  // namespace zefo
