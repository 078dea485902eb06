// Time of the install phase of a regular update that puts many small files
// in place: the copies are written without a sync each and reach the disk in
// one pass before the version is recorded. Run it by hand, on the disk that
// matters (the temporary folder's file system): zefo_install_sync_bench [FILES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/file_system.h"

int main(int argc, char** argv) {
  using namespace zefo;
  using namespace zefo::testing;
  const int files = argc > 1 ? std::atoi(argv[1]) : 2000;
  UseTemporaryRegistry();
  ProgramFolder program;
  WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", program.path().wstring(), 101);
  PatchManager manager(Endpoints{});
  manager.EvaluateMode();
  manager.m_installedVersion = 101;
  manager.m_latestVersion = 102;

  FileUpdateRecords records;
  const std::string bytes(16 << 10, 'x');
  for (int i = 0; i < files; ++i) {
    FileUpdateRecord record;
    record.version = 102;
    record.name = "data/" + std::to_string(i % 20) + "/file" + std::to_string(i) + ".bin";
    record.stagingPath = "Output//Launcher//download//" + record.name;
    program.Write("Output/Launcher/download/" + record.name, bytes);
    records[record.name] = record;
  }

  ScriptedWindow window;
  const auto start = std::chrono::steady_clock::now();
  const bool installed = manager.InstallUpdatedFiles(records, CurrentFolder(), window);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const bool recorded = ReadVersionValue(kLiveKey) == 102;
  DeleteLauncherKey(kLiveKey);
  std::printf("install of %d files of 16 KiB: %s in %.2f s\n", files,
              installed && recorded ? "installed" : "FAILED", seconds);
  return installed && recorded ? 0 : 1;
}
