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
    // A delivered new updater was put in place before its version was recorded.
    window->Post(manager.m_restartRequired ? WindowMessage::kUpdateRestart : WindowMessage::kUpdateLaunch);
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
  // The full download marks the restart when it put a new updater in place.
  window->Post(manager.m_restartRequired ? WindowMessage::kUpdateRestart : WindowMessage::kUpdateLaunch);
  return 0;
}

unsigned UpdateWorkerProc(void* param) {
  return UpdateWorker(PatchManager::Instance(), static_cast<MainWindowPort*>(param));
}

unsigned FullDownloadWorkerProc(void* param) {
  return FullDownloadWorker(PatchManager::Instance(), static_cast<MainWindowPort*>(param));
}

}  // namespace zefo
