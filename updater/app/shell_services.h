// What the main window's logic calls outside itself: the start-up upkeep, the
// instance check, the patch manager's steps, the launcher start and the
// update workers. The program uses EngineShell; tests substitute their own.
#pragma once

#include <functional>

#include "updater/engine/window_port.h"

namespace zefo {

class ShellServices {
 public:
  virtual ~ShellServices() = default;
  // Leftover files, cleanup manifest, logs and dumps, "*.old", "Output".
  virtual void TidyProgramFolder() = 0;
  virtual void ClearLaunchWithoutUpdate() = 0;
  virtual bool LaunchWithoutUpdate() = 0;
  // True: close the window at once.
  virtual bool CheckRunningInstances(MessageBoxHost& host) = 0;
  virtual void CheckInstallation(MainWindowPort& window) = 0;
  virtual void PromptRestart(MainWindowPort& window) = 0;
  virtual void StartLauncher(MainWindowPort& window) = 0;
  // Start UpdateWorkerProc / FullDownloadWorkerProc on a new thread with
  // `window` as the parameter; the thread is not waited for. `ended` is
  // called on that thread after the procedure returned (after its last post).
  virtual void StartUpdateWorker(MainWindowPort& window, std::function<void()> ended) = 0;
  virtual void StartFullDownloadWorker(MainWindowPort& window, std::function<void()> ended) = 0;
};

}  // namespace zefo
