#include "updater/app/application.h"

#include "updater/sys/file_system.h"
#include "updater/sys/process.h"

namespace zefo {

Application::Application(MainWindowView& view, PatchManager& manager)
    : view_(view), system_(manager), shell_(manager, locks_, system_) {}

bool Application::InitInstance() {
  SetCurrentFolder(GetModuleFolder());
  window_.emplace(view_, shell_);
  window_->RunModal();
  return false;
}

}  // namespace zefo
