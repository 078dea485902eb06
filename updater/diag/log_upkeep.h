// Upkeep of the launcher's log and dump folders at start-up.
#pragma once

#include <ctime>
#include <string>

namespace zefo {

// Deletes under the current folder + `logFolder` (such as L"\\log\\") the files
// named before "ZLauncher <yyMMddhhmmss>.log" of `now` + `dayOffset` days (local
// time), and under "\dmp\" those before "ZLauncher <yyyyMMddhhmmss>.dmp"; then
// removes "\Output\Launcher\".
void PruneLogsAndDumps(const std::wstring& logFolder, int dayOffset, std::time_t now);
void PruneLogsAndDumps(const std::wstring& logFolder, int dayOffset);
// Moves files of "log" into "log\ZLauncher\" (copy without overwrite, source
// removed only after a successful copy).
void MoveLegacyLogs();

}  // namespace zefo
