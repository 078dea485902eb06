#include "updater/diag/log_upkeep.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {

namespace {

namespace fs = std::filesystem;

const wchar_t kLegacyLogFolder[] = L"log";
const wchar_t kLogFolder[] = L"log\\ZLauncher\\";

// "yyyyMMddhhmmss" of `now` moved by `dayOffset` days in local time; mktime
// carries the day over month and year ends. False when the time is not
// representable.
bool BoundaryStamp(std::time_t now, int dayOffset, char (&stamp)[40]) {
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return false;
  std::tm shifted = *local;
  shifted.tm_mday += dayOffset;
  const std::time_t boundary = std::mktime(&shifted);
  local = std::localtime(&boundary);
  if (local == nullptr) return false;
  return FormatTo(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", local->tm_year + 1900,
                  local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                  local->tm_sec) > 0;
}

// `pattern` filled with `stamp`, as the wide name that files sort against.
std::wstring BoundaryName(const char* pattern, const char* stamp) {
  char name[40];
  wchar_t wide[40] = {};
  if (FormatTo(name, sizeof name, pattern, stamp) < 0) return std::wstring();
  if (!ToWide(name, wide, sizeof wide / sizeof wide[0])) return std::wstring();
  return wide;
}

// Every file below "log", collected before anything moves so the walk never
// sees its own results. A walk that fails part-way gives what it found.
std::vector<fs::path> LegacyLogFiles() {
  std::vector<fs::path> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(NativeFsPath(kLegacyLogFolder), ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code statusError;
    if (!it->is_directory(statusError) && !statusError) files.push_back(it->path());
  }
  return files;
}

}  // namespace

void PruneLogsAndDumps(const std::wstring& logFolder, int dayOffset, std::time_t now) {
  // Longer than its 260 characters the current folder cannot be read; names
  // below "." then name the same files (never the root).
  std::wstring current = CurrentFolder();
  if (current.empty()) current = L".";
  char stamp[40];
  if (!BoundaryStamp(now, dayOffset, stamp)) return;
  const std::wstring logBoundary = BoundaryName("ZLauncher %s.log", stamp + 2);
  const std::wstring dumpBoundary = BoundaryName("ZLauncher %s.dmp", stamp);
  if (logBoundary.empty() || dumpBoundary.empty()) return;
  DeleteFilesBefore(current + logFolder, logBoundary);
  DeleteFilesBefore(current + L"\\dmp\\", dumpBoundary);
  DeleteDirectoryTree(current + L"\\Output\\Launcher\\");
}

void PruneLogsAndDumps(const std::wstring& logFolder, int dayOffset) {
  PruneLogsAndDumps(logFolder, dayOffset, std::time(nullptr));
}

void MoveLegacyLogs() {
  std::error_code ec;
  const fs::path target = NativeFsPath(kLogFolder);
  if (!fs::is_directory(target, ec)) fs::create_directories(target, ec);
  // A folder that cannot be made or walked leaves the logs where they are.
  const fs::path root = NativeFsPath(kLegacyLogFolder);
  for (const fs::path& file : LegacyLogFiles()) {
    // The file keeps its place below "log": "log\a.log" goes to
    // "log\ZLauncher\a.log"; a file in a subfolder moves only when that
    // folder exists below "log\ZLauncher\", since the move creates none.
    const fs::path relative = file.lexically_relative(root);
    if (relative.empty()) continue;
    std::error_code copyError;
    if (fs::copy_file(file, target / relative, fs::copy_options::none, copyError)) {
      fs::remove(file, copyError);
    }
  }
}

}  // namespace zefo
