// The application object: the program's start and the main window's life.
#pragma once

#include <optional>

#include "updater/app/engine_shell.h"
#include "updater/app/instance_check.h"
#include "updater/app/main_window_controller.h"
#include "updater/app/main_window_view.h"

namespace zefo {

class PatchManager;

class Application {
 public:
  Application(MainWindowView& view, PatchManager& manager);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Makes the executable's folder the current folder (every relative path of
  // the program is relative to it), then runs the main window until it
  // closes. Always false: the process ends afterwards, without waiting for
  // worker threads, so the window must outlive this call (workers may still
  // reach it) and the caller ends the process without destroying it.
  bool InitInstance();

 private:
  MainWindowView& view_;
  InstanceLocks locks_;
  SystemInstanceServices system_;
  EngineShell shell_;
  std::optional<MainWindowController> window_;
};

}  // namespace zefo
