// ZEFOLauncher on Linux: the updater with its main window on the terminal.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "updater/app/application.h"
#include "updater/app/posix/terminal_view.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/process.h"
#include "updater/sys/text.h"

int main(int argc, char* argv[]) {
  std::setlocale(LC_ALL, "");

  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(zefo::ToWideString(argv[i]));
  zefo::SetProgramArguments(std::move(arguments));

  zefo::TerminalView view(STDIN_FILENO, stdout);
  zefo::Application application(view, zefo::PatchManager::Instance());
  application.InitInstance();

  // The program ends with its window. Worker threads are not waited for, and
  // nothing they may still use is destroyed: the process ends here.
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
