#include "updater/engine/housekeeping.h"

#include <string>

#include "updater/diag/log_upkeep.h"
#include "updater/engine/cleanup_manifest.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"

namespace zefo {

namespace {

// Logs and dumps of the last week are kept.
constexpr int kLogDayOffset = -7;

}  // namespace

void TidyProgramFolder(std::time_t now) {
  // "Output" is this program's scratch folder; a link of that name is not, and
  // goes before the log upkeep removes "Output\Launcher\" through it.
  if (IsLink(L"Output")) RemoveLink(L"Output");
  for (const wchar_t* leftover : {L"ZEFOLauncher.exe_old", L"ZLauncher.exe.old", L"libcurl.dll.old"}) {
    RemoveFile(leftover);
  }
  ApplyRemoveFilesManifest();
  PruneLogsAndDumps(L"\\log\\", kLogDayOffset, now);
  PruneLogsAndDumps(L"\\log\\ZLauncher\\", kLogDayOffset, now);
  MoveLegacyLogs();
  // Longer than its 260 characters the current folder cannot be read; names
  // below "." then name the same files (never the root).
  std::wstring folder = CurrentFolder();
  if (folder.empty()) folder = L".";
  DeleteOldFiles(folder + L"\\");
  DeleteDirectoryTree(folder + L"\\Output\\");
}

void TidyProgramFolder() { TidyProgramFolder(std::time(nullptr)); }

}  // namespace zefo
