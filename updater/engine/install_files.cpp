// InstallUpdatedFiles: puts the proven files of the regular update in place
// and then records the new version.
#include <vector>

#include "updater/engine/durable_files.h"
#include "updater/engine/install_rules.h"
#include "updater/engine/patch_manager.h"
#include "updater/engine/step_failure.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/registry.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

bool CopyFailed(MainWindowPort& window, const std::string& name) {
  const std::string detail = FormatDetail("\n[ File Copy Error ] /  %s", name.c_str());
  if (ShowErrorBox(window, L"Launcher patch failed.", detail, BoxForm::kSingleButton) ==
      MessageBoxDlg::kConfirm) {
    window.Post(WindowMessage::kAppExit);
  }
  return false;
}

}  // namespace

bool PatchManager::InstallUpdatedFiles(const FileUpdateRecords& records, const std::wstring& currentFolder,
                                       MainWindowPort& window) {
  std::vector<std::wstring> installed;
  std::vector<const std::string*> installedNames;
  for (const auto& [name, record] : records) {
    const std::wstring target = InstallTargetPath(currentFolder, name);
    std::wstring source = currentFolder + L"/" + ToWideString(record.stagingPath);
    ReplaceAllW(source, L"\\", L"/");
    ReplaceAllW(source, L"//", L"/");
    if (target.empty() || source.size() >= kTextBufferSize) return CopyFailed(window, name);

    const FileNameParts parts = SplitFileName(ToWideString(name));
    const std::wstring lowercaseName = LowercaseFileName(parts);
    // Whatever "movefiles.inf" asks for is done by the restarted updater.
    if (parts.extension == L".inf" && lowercaseName == L"movefiles.inf") m_restartRequired = true;
    if (!InstallFile(source, target, SetAsideFor(parts.extension))) return CopyFailed(window, name);
    if (parts.extension == L".exe" && lowercaseName == L"zefolauncher_new.exe") m_restartRequired = true;
    installed.push_back(target);
    installedNames.push_back(&name);
  }

  // Everything below happens before the version is recorded: a run stopped
  // on the way leaves the old version, and the next run repeats the update.
  // The copies were written without a sync each; one pass makes them durable.
  std::size_t failed = 0;
  if (!SyncToDisk(installed, &failed)) return CopyFailed(window, *installedNames[failed]);
  // A new updater left aside while its version is recorded would never be
  // used: the next start finds the version current.
  if (m_restartRequired) {
    const NewUpdater placed = PlaceNewUpdater();
    if (placed == NewUpdater::kFailed ||
        (placed == NewUpdater::kPlaced && !SyncToDisk({L"ZEFOLauncher.exe"}, &failed))) {
      return CopyFailed(window, "ZEFOLauncher_New.exe");
    }
  }
  if (m_installedVersion < m_latestVersion) {
    WriteRegistryValue(RegistryRoot::kCurrentUser, SettingsKey(), m_latestVersion);
  }
  return true;
}

}  // namespace zefo
