// The main window's outside calls as the program makes them: the engine's
// patch manager and workers, the start-up upkeep, the instance check and the
// launcher start.
#pragma once

#include "updater/app/instance_check.h"
#include "updater/app/shell_services.h"

namespace zefo {

class PatchManager;

class EngineShell final : public ShellServices {
 public:
  EngineShell(PatchManager& manager, InstanceLocks& locks, InstanceSystem& system)
      : manager_(manager), locks_(locks), system_(system) {}

  void TidyProgramFolder() override;
  void ClearLaunchWithoutUpdate() override;
  bool LaunchWithoutUpdate() override;
  bool CheckRunningInstances(MessageBoxHost& host) override;
  void CheckInstallation(MainWindowPort& window) override;
  void PromptRestart(MainWindowPort& window) override;
  void StartLauncher(MainWindowPort& window) override;
  void StartUpdateWorker(MainWindowPort& window, std::function<void()> ended) override;
  void StartFullDownloadWorker(MainWindowPort& window, std::function<void()> ended) override;

 private:
  PatchManager& manager_;
  InstanceLocks& locks_;
  InstanceSystem& system_;
};

}  // namespace zefo
