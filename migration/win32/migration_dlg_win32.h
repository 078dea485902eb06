// TavrinMigration's only window: template 102 on a dark fill, the logo banner
// and the "Scanning ZEFO KR" label. It starts the migration on a worker
// thread when it opens and closes when the worker posts WM_CLOSE (or on
// Escape; games registered so far stay registered).
#pragma once

#include <windows.h>

#include "updater/ui/win32/gdi_objects_win32.h"
#include "winui/dialog.h"

namespace zefo::win32 {

class CTavrinMigrationDlg final : public winui::Dialog {
 public:
  CTavrinMigrationDlg();

 private:
  std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnInitDialog();
  void PaintIcon();
  void StartMigration();

  const HICON icon_;
  const Brush fill_;
};

}  // namespace zefo::win32
