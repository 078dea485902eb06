// Hands over to the launcher program once the launcher files are current.
#pragma once

#include <string>
#include <vector>

#include "updater/engine/window_port.h"

namespace zefo {

// "ZEFO_Starter " followed by the updater's arguments except "ZEFO_Restart",
// each followed by one space unless it is the updater's last argument. The
// arguments are not quoted again.
std::wstring LauncherParameters(const std::vector<std::wstring>& arguments);

// The 64-bit build only on a 64-bit system of Windows 10 or later.
const wchar_t* LauncherFile(bool wow64, bool windows10OrLater);

// Starts the launcher build of this machine from the current folder with the
// parameters above, then closes `window` whether or not the start succeeded.
void StartLauncher(MainWindowPort& window);

}  // namespace zefo
