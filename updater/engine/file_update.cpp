// UpdateLauncherFiles: collect the manifests of every version above the
// installed one, prove each listed file by its digest, then install them.
#include "updater/diag/error_report.h"
#include "updater/engine/contained_path.h"
#include "updater/engine/formats/manifest_formats.h"
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
#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr wchar_t kPatchFailed[] = L"Launcher patch failed.";
constexpr wchar_t kTampered[] = L"The file has been tampered with. please try again.";

// The two-button boxes: "file recovery" starts the full download, "Quit" ends.
void FollowRecoveryAnswer(int answer, MainWindowPort& window) {
  window.Post(answer == MessageBoxDlg::kConfirm ? WindowMessage::kUpdateFullDownload
                                                : WindowMessage::kAppExit);
}

bool ManifestFailed(PatchManager& manager, MainWindowPort& window, const LastError& error,
                    const wchar_t* address, std::int32_t version) {
  manager.SendReport(BuildErrorReport("ZEFOLauncher Error : ", ToNarrowString(address), error.code,
                                      error.text, MachineInfo::Collect(manager.m_publicAddressInfo)));
  const std::string detail =
      FormatDetail("\n[ %lu ] / %s / %d / %s", static_cast<unsigned long>(error.code),
                   error.text.c_str(), static_cast<int>(version), "download_info.txt");
  if (ShowErrorBox(window, kPatchFailed, detail, BoxForm::kSingleButton) == MessageBoxDlg::kConfirm) {
    window.Post(WindowMessage::kAppExit);
  }
  return false;
}

bool DownloadFailed(PatchManager& manager, MainWindowPort& window, const LastError& error,
                    const FileUpdateRecord& record) {
  manager.SendReport(BuildErrorReport("ZEFOLauncher Error : ", record.httpsAddress, error.code,
                                      error.text, MachineInfo::Collect(manager.m_publicAddressInfo)));
  const std::string detail =
      FormatDetail("\n[ %lu ] / %s / %d / %s", static_cast<unsigned long>(error.code),
                   error.text.c_str(), static_cast<int>(record.version), record.name.c_str());
  FollowRecoveryAnswer(ShowErrorBox(window, kPatchFailed, detail, BoxForm::kRecovery), window);
  return false;
}

bool DigestMissing(PatchManager& manager, MainWindowPort& window, const FileUpdateRecord& record) {
  manager.SendReport(BuildErrorReportText("ZEFOLauncher File Hash Download Error : ",
                                          record.httpsAddress, "", "",
                                          MachineInfo::Collect(manager.m_publicAddressInfo)));
  const std::string detail = FormatDetail("\n/ %s / hash Download Error ", record.name.c_str());
  FollowRecoveryAnswer(ShowErrorBox(window, kTampered, detail, BoxForm::kRecovery), window);
  return false;
}

bool DigestMismatch(PatchManager& manager, MainWindowPort& window, const FileUpdateRecord& record,
                    const std::string& published, const std::string& computed) {
  manager.SendReport(BuildErrorReportText("ZEFOLauncher File Hash Error : ", record.httpsAddress,
                                          published, computed,
                                          MachineInfo::Collect(manager.m_publicAddressInfo)));
  const std::string detail = FormatDetail("\n/ %s /", record.name.c_str());
  FollowRecoveryAnswer(ShowErrorBox(window, kTampered, detail, BoxForm::kRecovery), window);
  return false;
}

// Why a listed file must not be fetched at all, or 0. A name that leaves the
// program folder would be staged and installed outside it; a path cut to its
// buffer would name another file.
std::uint32_t Refusal(const FileUpdateRecord& record) {
  if (!NamesItemBelowFolder(record.name)) return ToErrorCode(ZefoError::kUnsafePath);
  if (record.httpsAddress.empty() || record.httpAddress.empty() || record.stagingPath.empty()) {
    return ToErrorCode(ZefoError::kPathTooLong);
  }
  return 0;
}

// The name "VersionHash.inf" lists the file under.
std::string DigestName(const std::string& name) {
  std::string digestName = name;
  ReplaceAll(digestName, "/", "\\");
  // The new updater is published as the build it replaces.
  return digestName == "ZEFOLauncher_New.exe" ? "ZEFOLauncher.exe" : digestName;
}

FileUpdateRecord MakeRecord(std::int32_t version, const std::string& name, const std::string& secureBase,
                            const std::string& plainBase) {
  FileUpdateRecord record;
  record.version = version;
  record.name = name;
  char text[kTextBufferSize];
  // A text that does not fit is left empty, and the file is refused.
  if (FormatTo(text, "%s/%d/%s", secureBase.c_str(), static_cast<int>(version), name.c_str()) >= 0) {
    record.httpsAddress = text;
  }
  if (FormatTo(text, "%s/%d/%s", plainBase.c_str(), static_cast<int>(version), name.c_str()) >= 0) {
    record.httpAddress = text;
  }
  if (FormatTo(text, "Output//Launcher//download//%s", name.c_str()) >= 0) record.stagingPath = text;
  return record;
}

}  // namespace

bool PatchManager::UpdateLauncherFiles(MainWindowPort& window) {
  EvaluateMode();
  const std::wstring secureBase = SecureBase();
  const std::wstring plainBase = PlainBase();
  const std::string narrowSecureBase = ToNarrowString(secureBase);
  const std::string narrowPlainBase = ToNarrowString(plainBase);
  // Longer than its 260 characters the current folder cannot be read; paths
  // below "." then name the same files.
  std::wstring folder = CurrentFolder();
  if (folder.empty()) folder = L".";

  // Collect, newest version first: a name listed again by an older version
  // keeps the newest version's record.
  FileUpdateRecords records;
  for (std::int32_t version = m_latestVersion; version > m_installedVersion; --version) {
    wchar_t primary[kTextBufferSize] = {};
    wchar_t fallback[kTextBufferSize] = {};
    wchar_t localPath[kTextBufferSize] = {};
    const bool formed =
        FormatToW(primary, L"%s/%d/%s", secureBase.c_str(), static_cast<int>(version), L"download_info.txt") >= 0 &&
        FormatToW(fallback, L"%s/%d/%s", plainBase.c_str(), static_cast<int>(version), L"download_info.txt") >= 0 &&
        FormatToW(localPath, L"Output//Launcher//%d_%s", static_cast<int>(version), L"download_info.txt") >= 0;
    const FetchResult fetch = FetchServerFile(formed, primary, fallback, localPath, endpoints().releasePublicKey);
    const bool downloaded = fetch.downloaded;
    const LastError& error = fetch.error;
    if (!downloaded) return ManifestFailed(*this, window, error, primary, version);
    if (ManifestTooLarge(localPath)) return ManifestFailed(*this, window, LastError::Take(), primary, version);

    // A manifest that downloaded but does not open lists nothing.
    if (FileHandle manifest = OpenForReading(localPath)) {
      for (const std::string& name : ReadDownloadList(manifest.get())) {
        if (records.count(name) == 0) {
          records.emplace(name, MakeRecord(version, name, narrowSecureBase, narrowPlainBase));
        }
      }
    }
    // Each record holds its addresses: the whole list is bounded, not only each manifest.
    if (records.size() > kMaxListedFiles) {
      SetLastErrorCode(ToErrorCode(ZefoError::kManifestTooLarge));
      return ManifestFailed(*this, window, LastError::Take(), primary, version);
    }
    PurgeUrlCache(primary);
  }

  // Prove every file, in name order, before anything is installed.
  if (!records.empty()) LoadVersionHashes();
  window.BeginProgress(static_cast<int>(records.size()));
  int proven = 0;
  for (const auto& [name, record] : records) {
    if (const std::uint32_t refusal = Refusal(record)) {
      SetLastErrorCode(refusal);
      return DownloadFailed(*this, window, LastError::Take(), record);
    }
    std::wstring stagingPath = folder + L"/" + ToWideString(record.stagingPath);
    ReplaceAllW(stagingPath, L"\\", L"/");
    ReplaceAllW(stagingPath, L"//", L"/");
    if (stagingPath.size() >= kTextBufferSize) {
      SetLastErrorCode(ToErrorCode(ZefoError::kPathTooLong));
      return DownloadFailed(*this, window, LastError::Take(), record);
    }
    MakeDirectoriesW(stagingPath, L'/');

    const std::wstring httpsAddress = ToWideString(record.httpsAddress);
    const std::wstring httpAddress = ToWideString(record.httpAddress);
    PurgeUrlCache(httpsAddress);
    PurgeUrlCache(httpAddress);
    const bool downloaded = DownloadFile(httpsAddress, httpAddress, stagingPath);
    const LastError error = downloaded ? LastError{} : LastError::Take();
    SleepMilliseconds(1);
    if (!downloaded) return DownloadFailed(*this, window, error, record);

    const auto published = m_fileHashes.find(DigestName(name));
    if (published == m_fileHashes.end()) return DigestMissing(*this, window, record);
    const std::string computed = FileMD5HexW(stagingPath);
    if (computed != published->second.second) {
      return DigestMismatch(*this, window, record, published->second.second, computed);
    }
    window.SetProgress(++proven);
    PurgeUrlCache(httpsAddress);
    PurgeUrlCache(httpAddress);
  }

  if (!records.empty() && !InstallUpdatedFiles(records, folder, window)) return false;
  return true;
}

}  // namespace zefo
