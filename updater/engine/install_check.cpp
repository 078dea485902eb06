// The frame of an update run: the install check before it, the new updater
// put in place after it, and the restart.
#include <algorithm>

#include "updater/engine/patch_manager.h"
#include "updater/sys/file_system.h"
#include "updater/sys/process.h"
#include "updater/sys/registry.h"

namespace zefo {

namespace {
// Versions below this are taken as this one.
constexpr std::int32_t kLowestVersion = 99;
}  // namespace

void PatchManager::CheckInstallation(MainWindowPort& window) {
  EvaluateMode();
  const std::wstring& key = SettingsKey();
  if (RegistryKeyExists(RegistryRoot::kCurrentUser, key)) {
    ReadRegistryValue(RegistryRoot::kCurrentUser, key, L"FILENAME", m_installedFile);
    ReadRegistryValue(RegistryRoot::kCurrentUser, key, L"PATH", m_installedFolder);
    ReadRegistryDword(RegistryRoot::kCurrentUser, key, L"VERSION", m_installedVersion);
    m_installedVersion = std::max(m_installedVersion, kLowestVersion);
    return;
  }
  MessageBoxDlg box;
  box.SetTexts(L"ERROR", L"ZEFOLauncher is not installed.Install ZEFOLauncher.");
  box.SetSingleButton();
  if (box.DoModal(window) == MessageBoxDlg::kConfirm) window.Post(WindowMessage::kAppExit);
}

PatchManager::NewUpdater PatchManager::PlaceNewUpdater() {
  if (!PathExists(L"ZEFOLauncher_New.exe")) return NewUpdater::kNone;
  RemoveFile(L"ZEFOLauncher.exe_old");
  // The running program can be renamed, not overwritten.
  const bool movedAside = RenameNoReplace(L"ZEFOLauncher.exe", L"ZEFOLauncher.exe_old");
  if (RenameNoReplace(L"ZEFOLauncher_New.exe", L"ZEFOLauncher.exe")) return NewUpdater::kPlaced;
  // Otherwise the folder would be left without an updater to start.
  if (movedAside) RenameNoReplace(L"ZEFOLauncher.exe_old", L"ZEFOLauncher.exe");
  return NewUpdater::kFailed;
}

bool PatchManager::InstallNewUpdater() { return PlaceNewUpdater() == NewUpdater::kNone; }

void PatchManager::PromptRestart(MainWindowPort& window) {
  MessageBoxDlg box;
  box.SetTexts(L"ZEFOLauncher Restart", L"Launcher version has been updated. Please restart the program.");
  box.SetSingleButton();
  box.DoModal(window);  // however it is closed, the restart follows

  // Joined as they are, without quotes: the new process splits them again.
  std::wstring parameters;
  const std::vector<std::wstring>& arguments = ProgramArguments();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) parameters += L' ';
    parameters += arguments[i];
  }
  StartProgram(m_installedFile, parameters, L"");
  window.Post(WindowMessage::kAppExit);
}

}  // namespace zefo
