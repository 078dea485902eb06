// ZEFOLauncher on Windows: the updater behind its skinned main window.
#include <windows.h>

#include <clocale>

#include "updater/app/application.h"
#include "updater/app/win32/main_window_win32.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/process.h"
#include "winui/startup.h"

namespace {

// Every dialog template of the program names this class.
constexpr wchar_t kWindowClassName[] = L"base-window-class";
constexpr DWORD kMostHeaps = 100;

// The low-fragmentation heap for every heap of the process: the updater
// allocates many small strings while it works through manifests.
void UseLowFragmentationHeaps() {
  HANDLE heaps[kMostHeaps];
  const DWORD count = GetProcessHeaps(kMostHeaps, heaps);
  for (DWORD i = 0; i < count && i < kMostHeaps; ++i) {
    ULONG lowFragmentation = 2;
    HeapSetInformation(heaps[i], HeapCompatibilityInformation, &lowFragmentation, sizeof lowFragmentation);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::setlocale(LC_ALL, "");
  UseLowFragmentationHeaps();
  zefo::winui::InitCommonControls();
  zefo::winui::RegisterDialogClass(kWindowClassName);
  zefo::SetProgramArguments(zefo::winui::CommandLineArguments());

  // Application::InitInstance makes the executable's folder the current one.
  zefo::win32::CZEFOLauncherDlg window;
  zefo::Application application(window, zefo::PatchManager::Instance());
  application.InitInstance();

  // The program ends with its window. Worker threads are not waited for, and
  // nothing they may still use is destroyed: the process ends here.
  ExitProcess(0);
}
