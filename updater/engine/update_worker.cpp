// The two worker bodies: what runs after Start, and the full download after
// "file recovery". Each ends by posting what the window does next.
#include "updater/engine/patch_manager.h"
#include "updater/net/address_lookup.h"

namespace zefo {

unsigned UpdateWorker(PatchManager& manager, MainWindowPort* window) {
  manager.SetPublicAddressInfo(GetPublicAddressInfo(manager.endpoints().addressInfoUrl));
  if (window == nullptr) return 0;
  manager.m_launchWithoutUpdate = false;

  if (manager.CheckVersion(*window)) {
    if (manager.m_installedVersion < manager.m_latestVersion && !manager.UpdateLauncherFiles(*window)) {
      // The failing step's box has posted (or will post) what follows.
      window->ClearWorkerStarted();
      return 0;
    }
    window->ClearWorkerStarted();
    if (manager.m_restartRequired) {
      manager.InstallNewUpdater();
      window->Post(WindowMessage::kUpdateRestart);
    } else {
      window->Post(WindowMessage::kUpdateLaunch);
    }
    return 0;
  }

  if (manager.m_launchWithoutUpdate) window->EnableStart();
  window->ClearWorkerStarted();
  return 0;
}

unsigned FullDownloadWorker(PatchManager& manager, MainWindowPort* window) {
  manager.SetPublicAddressInfo(GetPublicAddressInfo(manager.endpoints().addressInfoUrl));
  if (window == nullptr) return 0;

  if (!manager.FullDownload(*window)) {
    // The program is ending: the worker flag stays set.
    window->Post(WindowMessage::kAppExit);
    return 0;
  }
  window->ClearWorkerStarted();
  window->Post(manager.InstallNewUpdater() ? WindowMessage::kUpdateLaunch
                                           : WindowMessage::kUpdateRestart);
  return 0;
}

unsigned UpdateWorkerProc(void* param) {
  return UpdateWorker(PatchManager::Instance(), static_cast<MainWindowPort*>(param));
}

unsigned FullDownloadWorkerProc(void* param) {
  return FullDownloadWorker(PatchManager::Instance(), static_cast<MainWindowPort*>(param));
}

}  // namespace zefo
