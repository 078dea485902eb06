#include "updater/app/launcher_start.h"

#include "updater/app/app_names.h"
#include "updater/sys/process.h"
#include "updater/sys/system_info.h"

namespace zefo {

std::wstring LauncherParameters(const std::vector<std::wstring>& arguments) {
  std::wstring parameters = kStarterArgument;
  parameters += L' ';
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == kRestartArgument) continue;
    parameters += arguments[i];
    if (i + 1 < arguments.size()) parameters += L' ';
  }
  return parameters;
}

const wchar_t* LauncherFile(bool wow64, bool windows10OrLater) {
  return wow64 && windows10OrLater ? kLauncher64Path : kLauncher32Path;
}

void StartLauncher(MainWindowPort& window) {
  const bool wow64 = IsWow64();
  const bool windows10OrLater = IsWindows10OrLater();
  // A failed start is not reported: the updater ends either way.
  StartProgram(LauncherFile(wow64, windows10OrLater), LauncherParameters(ProgramArguments()), L"");
  window.SendClose();
}

}  // namespace zefo
