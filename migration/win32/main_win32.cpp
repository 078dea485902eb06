// TavrinMigration on Windows: the migration behind its small dialog, which
// closes by itself when the migration is done.
#include <windows.h>

#include "migration/win32/migration_dlg_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  {
    zefo::win32::CTavrinMigrationDlg dialog;
    dialog.DoModal(nullptr);
  }
  // A worker still running (the dialog ended early) ends with the process.
  ExitProcess(0);
}
