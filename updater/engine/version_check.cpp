// CheckVersion: the newest published launcher version from "VersionInfo.txt".
#include "updater/diag/error_report.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/patch_manager.h"
#include "updater/engine/server_fetch.h"
#include "updater/engine/step_failure.h"
#include "updater/net/download.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
#include "updater/sys/process.h"
#include "updater/sys/text.h"

namespace zefo {

bool PatchManager::CheckVersion(MainWindowPort& window) {
  EvaluateMode();
  wchar_t primary[kTextBufferSize] = {};
  wchar_t fallback[kTextBufferSize] = {};
  wchar_t localPath[kTextBufferSize] = {};
  const bool formed = FormatToW(primary, L"%s/%s", SecureBase().c_str(), L"VersionInfo.txt") >= 0 &&
                      FormatToW(fallback, L"%s/%s", PlainBase().c_str(), L"VersionInfo.txt") >= 0 &&
                      FormatToW(localPath, L"Output//Launcher//%s", L"VersionInfo.txt") >= 0;
  const FetchResult fetch = FetchServerFile(formed, primary, fallback, localPath, endpoints().releasePublicKey,
                                              SignedManifest::kVersionInfo);
  const bool downloaded = fetch.downloaded;
  const LastError& error = fetch.error;

  if (downloaded) {
    if (FileHandle file = OpenForReading(localPath)) m_latestVersion = ReadVersionInfo(file.get());
    RemoveFile(L"VersionInfo.txt");
    PurgeUrlCache(primary);
    PurgeUrlCache(fallback);
    return true;
  }

  // The report goes out before the box, which may stay open indefinitely.
  SendReport(BuildErrorReport("ZEFOLauncher Error : ", ToNarrowString(primary), error.code, error.text,
                              MachineInfo::Collect(m_publicAddressInfo)));
  const std::string detail = FormatDetail("\n[ %lu ] / %s / %s", static_cast<unsigned long>(error.code),
                                          error.text.c_str(), "VersionInfo.txt");
  if (ShowErrorBox(window, L"Launcher patch failed.", detail, BoxForm::kSingleButton) ==
      MessageBoxDlg::kConfirm) {
    m_launchWithoutUpdate = true;
  }
  return false;
}

}  // namespace zefo
