#include "updater/app/engine_shell.h"

#include <system_error>
#include <thread>
#include <utility>

#include "updater/app/launcher_start.h"
#include "updater/engine/housekeeping.h"
#include "updater/engine/patch_manager.h"

namespace zefo {
namespace {

// Worker threads run detached: the program ends without waiting for them.
void StartWorker(unsigned (*procedure)(void*), MainWindowPort& window, std::function<void()> ended) {
  try {
    std::thread([procedure, &window, ended = std::move(ended)] {
      procedure(static_cast<void*>(&window));
      ended();
    }).detach();
  } catch (const std::system_error&) {
    // No thread: Start stays disabled, as when the platform refuses a thread.
  }
}

}  // namespace

void EngineShell::TidyProgramFolder() { zefo::TidyProgramFolder(); }

void EngineShell::ClearLaunchWithoutUpdate() { manager_.m_launchWithoutUpdate = false; }

bool EngineShell::LaunchWithoutUpdate() { return manager_.m_launchWithoutUpdate; }

bool EngineShell::CheckRunningInstances(MessageBoxHost& host) {
  return zefo::CheckRunningInstances(locks_, system_, host);
}

void EngineShell::CheckInstallation(MainWindowPort& window) { manager_.CheckInstallation(window); }

void EngineShell::PromptRestart(MainWindowPort& window) { manager_.PromptRestart(window); }

void EngineShell::StartLauncher(MainWindowPort& window) { zefo::StartLauncher(window); }

void EngineShell::StartUpdateWorker(MainWindowPort& window, std::function<void()> ended) {
  StartWorker(UpdateWorkerProc, window, std::move(ended));
}

void EngineShell::StartFullDownloadWorker(MainWindowPort& window, std::function<void()> ended) {
  StartWorker(FullDownloadWorkerProc, window, std::move(ended));
}

}  // namespace zefo
