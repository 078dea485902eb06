#include <windows.h>

#include "updater/app/app_names.h"
#include "updater/app/show_up_broadcast.h"

namespace zefo {

void BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam) {
  const UINT message = RegisterWindowMessageA(kShowUpMessageName);
  if (message == 0) return;
  PostMessageW(HWND_BROADCAST, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

}  // namespace zefo
