#include "migration/win32/migration_dlg_win32.h"

#include <system_error>
#include <thread>

#include "migration/migration_clock.h"
#include "migration/migration_worker.h"
#include "migration/res/resource.h"
#include "updater/sys/registry_store.h"

namespace zefo::win32 {
namespace {

constexpr COLORREF kFillColour = RGB(36, 37, 38);
constexpr COLORREF kLabelColour = RGB(253, 254, 255);

}  // namespace

CTavrinMigrationDlg::CTavrinMigrationDlg()
    : Dialog(IDD_TAVRINMIGRATION_DIALOG),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      fill_(CreateSolidBrush(kFillColour)) {}

std::optional<INT_PTR> CTavrinMigrationDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      // Escape, and the worker's WM_CLOSE, arrive as IDCANCEL.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(LOWORD(wParam));
        return 0;
      }
      return std::nullopt;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(hwnd(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, fill_.get());
      return TRUE;
    }
    case WM_PAINT:
      if (!IsIconic(hwnd())) return std::nullopt;
      PaintIcon();
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Label and logo lie straight on the dark fill, without a box.
      const HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kLabelColour);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    }
    default:
      return std::nullopt;
  }
}

void CTavrinMigrationDlg::OnInitDialog() {
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  ShowWindow(Item(IDOK), SW_HIDE);
  StartMigration();
}

void CTavrinMigrationDlg::PaintIcon() {
  PaintDc paint(hwnd());
  SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(paint.get(), x, y, icon_);
}

// The worker is never waited for: the program ends with the dialog.
void CTavrinMigrationDlg::StartMigration() {
  const HWND window = hwnd();
  try {
    std::thread([window] {
      SystemClock clock;
      MigrationWorker(UserRegistryStore(), clock, [window] { PostMessageW(window, WM_CLOSE, 0, 0); });
    }).detach();
  } catch (const std::system_error&) {
    // No thread, no migration: the dialog stays until Escape.
  }
}

}  // namespace zefo::win32
