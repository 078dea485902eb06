// PatchManager::FullDownload: installs every file that "FullPatchInfo.inf"
// lists, after a regular update failed and the user chose "file recovery".
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "updater/diag/error_report.h"
#include "updater/engine/contained_path.h"
#include "updater/engine/durable_files.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/install_rules.h"
#include "updater/engine/manifest_bounds.h"
#include "updater/engine/patch_manager.h"
#include "updater/engine/server_fetch.h"
#include "updater/engine/step_failure.h"
#include "updater/net/download.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/md5.h"
#include "updater/sys/process.h"
#include "updater/sys/registry.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr char kReportPrefix[] = "ZEFOLauncher Full Download Error : ";
constexpr wchar_t kManifestName[] = L"FullPatchInfo.inf";
constexpr wchar_t kPatchFailed[] = L"Launcher patch failed.";
constexpr int kMaxProgress = 65535;

// Every path one record needs, formed before anything is installed so that a
// record whose paths do not fit the 512-character buffers stops the run
// before it changes anything.
struct FilePlan {
  const FullPatchRecord* record = nullptr;
  std::string stagingPath;           // "Output\Launcher\download\<install path>"
  std::wstring stagingPathW;         // the same, wide: the copy's source
  std::wstring absoluteStagingPath;  // below the current folder, '/' separated
  std::wstring target;               // the installed copy, '/' separated
  std::wstring httpsAddress;
  std::wstring httpAddress;
};

bool FormAddress(const std::wstring& base, const std::string& remotePath, std::wstring* address) {
  wchar_t buffer[kTextBufferSize];
  if (FormatToW(buffer, L"%s/%s", base.c_str(), ToWideString(remotePath).c_str()) < 0) return false;
  *address = buffer;
  return true;
}

bool PlanFile(const FullPatchRecord& record, const std::wstring& folder, const std::wstring& secureBase,
              const std::wstring& plainBase, FilePlan* plan) {
  plan->record = &record;
  char staging[kTextBufferSize];
  if (FormatTo(staging, "Output\\Launcher\\download\\%s", record.installPath.c_str()) < 0) return false;
  plan->stagingPath = staging;
  plan->stagingPathW = ToWideString(plan->stagingPath);
  plan->absoluteStagingPath = folder + L"/" + plan->stagingPathW;
  ReplaceAllW(plan->absoluteStagingPath, L"\\", L"/");
  ReplaceAllW(plan->absoluteStagingPath, L"//", L"/");
  plan->target = InstallTargetPath(folder, record.installPath);
  return plan->absoluteStagingPath.size() < kTextBufferSize && !plan->target.empty() &&
         FormAddress(secureBase, record.remotePath, &plan->httpsAddress) &&
         FormAddress(plainBase, record.remotePath, &plan->httpAddress);
}

int ProgressValue(std::size_t count) {
  return static_cast<int>(std::min<std::size_t>(count, kMaxProgress));
}

bool FetchFile(const FilePlan& plan) {
  for (int round = 0; round < 2; ++round) {
    PurgeUrlCache(plan.httpsAddress);
    PurgeUrlCache(plan.httpAddress);
  }
  MakeDirectoriesW(plan.absoluteStagingPath, L'/');
  return DownloadFile(plan.httpsAddress, plan.httpAddress, plan.absoluteStagingPath);
}

// Puts the staged copy in place: written beside the target, then renamed in
// after the installed copy is moved aside to "<target>.old" (replacing a stale
// one), so a run stopped on the way never leaves a cut-short file under the
// target's name. A file that cannot be moved aside stops the run, and the
// previous file is put back when the new one cannot take its name. An old
// copy still in use stays until the next start removes "*.old".
bool InstallStagedCopy(const FilePlan& plan) {
  return InstallFile(plan.stagingPathW, plan.target, SetAside::kRemoveOld);
}

// One call of FullDownload: the manager's state and the window it reports to.
class FullDownloadRun {
 public:
  FullDownloadRun(PatchManager& manager, MainWindowPort& window) : manager_(manager), window_(window) {}

  bool Run();

 private:
  bool InstallAll(const std::vector<FilePlan>& plans);
  bool MakeDurable(const std::vector<FilePlan>& plans);
  bool ManifestFailure(const std::wstring& manifestAddress, const LastError& error);
  bool FileDownloadFailure(const FilePlan& plan);
  bool FileCopyFailure(const std::string& installPath);
  void Report(const std::wstring& subject, const LastError& error) const;

  PatchManager& manager_;
  MainWindowPort& window_;
};

bool FullDownloadRun::Run() {
  manager_.EvaluateMode();
  const std::wstring& secureBase = manager_.SecureBase();
  const std::wstring& plainBase = manager_.PlainBase();

  wchar_t httpsManifest[kTextBufferSize] = {};
  wchar_t httpManifest[kTextBufferSize] = {};
  wchar_t localManifest[kTextBufferSize] = {};
  const bool formed = FormatToW(httpsManifest, L"%s/%s", secureBase.c_str(), kManifestName) >= 0 &&
                      FormatToW(httpManifest, L"%s/%s", plainBase.c_str(), kManifestName) >= 0 &&
                      FormatToW(localManifest, L"Output//Launcher//%s", kManifestName) >= 0;
  const FetchResult fetch = FetchServerFile(formed, httpsManifest, httpManifest, localManifest,
                                              manager_.endpoints().releasePublicKey);
  if (!fetch.downloaded) return ManifestFailure(httpsManifest, fetch.error);
  if (ManifestTooLarge(localManifest)) return ManifestFailure(httpsManifest, LastError::Take());

  FullPatchContents contents;
  if (const FileHandle file = OpenForReading(localManifest)) contents = ReadFullPatchFile(file.get());
  // A field longer than its 512-byte buffer holds, a negative length or a
  // file that ends early: nothing of it is installed.
  if (!contents.complete) {
    SetLastErrorCode(ToErrorCode(ZefoError::kBadManifest));
    return ManifestFailure(httpsManifest, LastError::Take());
  }
  if (contents.records.empty()) {
    window_.SendClose();
    return true;
  }
  // Every file must land inside the program folder and come from below the base.
  for (const FullPatchRecord& record : contents.records) {
    if (!NamesItemBelowFolder(record.installPath) || !IsContainedRelativePath(record.remotePath)) {
      SetLastErrorCode(ToErrorCode(ZefoError::kUnsafePath));
      return ManifestFailure(httpsManifest, LastError::Take());
    }
  }
  // Longer than its 260 characters the current folder cannot be read; paths
  // below "." then name the same files.
  std::wstring folder = CurrentFolder();
  if (folder.empty()) folder = L".";
  std::vector<FilePlan> plans(contents.records.size());
  for (std::size_t i = 0; i < plans.size(); ++i) {
    if (!PlanFile(contents.records[i], folder, secureBase, plainBase, &plans[i])) {
      SetLastErrorCode(ToErrorCode(ZefoError::kPathTooLong));
      return ManifestFailure(httpsManifest, LastError::Take());
    }
  }

  if (!InstallAll(plans) || !MakeDurable(plans)) return false;
  WriteRegistryValue(RegistryRoot::kCurrentUser, manager_.SettingsKey(), manager_.m_latestVersion);
  DeleteDirectoryTree(folder + L"\\Output\\Launcher\\");
  return true;
}

bool FullDownloadRun::InstallAll(const std::vector<FilePlan>& plans) {
  window_.BeginProgress(ProgressValue(plans.size()));
  window_.SetProgress(0);
  std::size_t installed = 0;
  for (const FilePlan& plan : plans) {
    const std::string& digest = plan.record->digestText;
    const bool staged = FileMD5Hex(plan.stagingPath) == digest;
    MakeDirectoriesW(plan.absoluteStagingPath, L'/');
    if (staged) {
      // A copy proven earlier (by this run or by the regular update just
      // before it) is not fetched again, but it is installed unless the
      // installed file already is that copy.
      if (FileMD5HexW(plan.target) == digest) continue;
    } else {
      if (!FetchFile(plan)) {
        PurgeUrlCache(plan.httpsAddress);
        return FileDownloadFailure(plan);
      }
      if (FileMD5Hex(plan.stagingPath) != digest) {
        PurgeUrlCache(plan.httpsAddress);
        SetLastErrorCode(ToErrorCode(ZefoError::kDigestMismatch));
        return FileDownloadFailure(plan);
      }
    }
    if (!InstallStagedCopy(plan)) return FileCopyFailure(plan.record->installPath);
    window_.SetProgress(ProgressValue(++installed));
  }
  return true;
}

// Before the version is recorded: the copies reach the disk in one pass, and
// a delivered new updater takes the program's name (left aside while its
// version is recorded, it would never be used).
bool FullDownloadRun::MakeDurable(const std::vector<FilePlan>& plans) {
  std::vector<std::wstring> targets;
  for (const FilePlan& plan : plans) targets.push_back(plan.target);
  std::size_t failed = 0;
  if (!SyncToDisk(targets, &failed)) return FileCopyFailure(plans[failed].record->installPath);
  const PatchManager::NewUpdater placed = manager_.PlaceNewUpdater();
  if (placed == PatchManager::NewUpdater::kFailed ||
      (placed == PatchManager::NewUpdater::kPlaced && !SyncToDisk({L"ZEFOLauncher.exe"}, &failed))) {
    return FileCopyFailure("ZEFOLauncher_New.exe");
  }
  if (placed == PatchManager::NewUpdater::kPlaced) manager_.m_restartRequired = true;
  return true;
}

void FullDownloadRun::Report(const std::wstring& subject, const LastError& error) const {
  manager_.SendReport(BuildErrorReport(kReportPrefix, ToNarrowString(subject), error.code, error.text,
                                       MachineInfo::Collect(manager_.m_publicAddressInfo)));
}

bool FullDownloadRun::ManifestFailure(const std::wstring& manifestAddress, const LastError& error) {
  Report(manifestAddress, error);
  const std::string detail =
      FormatDetail("[ %lu ] / %s / %s /\nFull Download info file Error",
                   static_cast<unsigned long>(error.code), error.text.c_str(), "FullPatchInfo.inf");
  if (ShowErrorBox(window_, kPatchFailed, detail, BoxForm::kSingleButton) == MessageBoxDlg::kConfirm) {
    window_.Post(WindowMessage::kAppExit);
  }
  return false;
}

bool FullDownloadRun::FileDownloadFailure(const FilePlan& plan) {
  const LastError error = LastError::Take();
  Report(plan.httpsAddress, error);
  const std::string detail = FormatDetail("\n[ %lu ] / %s / %s", static_cast<unsigned long>(error.code),
                                          error.text.c_str(), plan.stagingPath.c_str());
  if (ShowErrorBox(window_, kPatchFailed, detail, BoxForm::kSingleButton) == MessageBoxDlg::kConfirm) {
    window_.Post(WindowMessage::kAppExit);
  }
  return false;
}

bool FullDownloadRun::FileCopyFailure(const std::string& installPath) {
  std::string shown = installPath;
  ReplaceAll(shown, "\\", "/");
  const std::string detail = FormatDetail("\n[ File Copy Error ] /  %s", shown.c_str());
  if (ShowErrorBox(window_, kPatchFailed, detail, BoxForm::kSingleButton) == MessageBoxDlg::kConfirm) {
    // The launcher may be what holds the file that could not be replaced.
    TerminateProcessesByName(L"ZLauncher.exe");
    window_.Post(WindowMessage::kAppExit);
  }
  return false;
}

}  // namespace

bool PatchManager::FullDownload(MainWindowPort& window) { return FullDownloadRun(*this, window).Run(); }

}  // namespace zefo
