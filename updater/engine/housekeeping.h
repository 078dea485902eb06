// The tidying the main window does at every start, before any update work.
#pragma once

#include <ctime>

namespace zefo {

// In the current (program) folder: removes the previous updater, launcher and
// libcurl copies ("ZEFOLauncher.exe_old", "ZLauncher.exe.old",
// "libcurl.dll.old"), applies "RemoveFiles.inf", prunes logs and dumps older
// than a week before `now`, moves stray logs into "log\ZLauncher\", removes
// "*.old" files and the whole "Output" folder of earlier runs. Links are
// removed and never followed: an "Output" that is a link loses only the link.
void TidyProgramFolder(std::time_t now);
void TidyProgramFolder();

}  // namespace zefo
