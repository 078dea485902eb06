// The update state of one run of the updater and the update steps that work
// on it. One instance serves the process (Instance()); tests build their own
// with endpoints of their loopback servers.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "updater/engine/endpoints.h"
#include "updater/engine/window_port.h"

namespace zefo {

// One file of the regular update, from the newest manifest that lists it.
struct FileUpdateRecord {
  std::int32_t version = 0;   // version whose manifest listed the file
  std::string httpsAddress;   // "<secure base>/<version>/<name>"
  std::string httpAddress;    // "<plain base>/<version>/<name>"
  std::string name;           // the manifest line, '/' separated
  std::string stagingPath;    // "Output//Launcher//download//<name>"
};
using FileUpdateRecords = std::map<std::string, FileUpdateRecord>;

class PatchManager {
 public:
  // The process's instance, built on first use (thread-safe) with the
  // endpoints of this build.
  static PatchManager& Instance();

  explicit PatchManager(Endpoints endpoints);
  PatchManager(const PatchManager&) = delete;
  PatchManager& operator=(const PatchManager&) = delete;

  // Live unless "_stagemode.txt" exists in the current folder.
  bool EvaluateMode();
  void SetPublicAddressInfo(std::string info);

  // Registry key of the mode ("SOFTWARE\Tavrin\Zlauncher[_stage]").
  const std::wstring& SettingsKey() const;
  const std::wstring& SecureBase() const;
  const std::wstring& PlainBase() const;
  const Endpoints& endpoints() const { return endpoints_; }

  // Update steps; `window` shows their boxes and progress and takes their posts.
  void CheckInstallation(MainWindowPort& window);
  bool CheckVersion(MainWindowPort& window);
  bool UpdateLauncherFiles(MainWindowPort& window);
  bool LoadVersionHashes();
  bool InstallUpdatedFiles(const FileUpdateRecords& records, const std::wstring& currentFolder,
                           MainWindowPort& window);
  bool FullDownload(MainWindowPort& window);
  // What became of a delivered "ZEFOLauncher_New.exe".
  enum class NewUpdater { kNone, kPlaced, kFailed };
  // Puts a delivered new updater in place of the running one; when it cannot
  // take the program's name, the running build keeps it.
  NewUpdater PlaceNewUpdater();
  // False when a new updater was delivered (a restart is needed).
  bool InstallNewUpdater();
  void PromptRestart(MainWindowPort& window);

  // Sends a report with this run's machine information to the webhook.
  void SendReport(const std::string& report) const;

  bool m_liveMode = false;
  std::wstring m_installedFolder;
  std::wstring m_installedFile;
  std::int32_t m_installedVersion = 0;
  std::int32_t m_latestVersion = 0;
  // narrow file name -> (narrow file name, digest text)
  std::map<std::string, std::pair<std::string, std::string>> m_fileHashes;
  bool m_restartRequired = false;
  std::string m_publicAddressInfo;
  std::atomic<bool> m_launchWithoutUpdate{false};

 private:
  Endpoints endpoints_;
};

// Worker bodies on a given manager; `window` may be null (then they return at once).
unsigned UpdateWorker(PatchManager& manager, MainWindowPort* window);
unsigned FullDownloadWorker(PatchManager& manager, MainWindowPort* window);

// Thread procedures: the parameter is the main window's MainWindowPort*.
unsigned UpdateWorkerProc(void* param);
unsigned FullDownloadWorkerProc(void* param);

}  // namespace zefo
