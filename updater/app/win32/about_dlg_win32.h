// The about box (template 100), opened by the system command IDM_ABOUTBOX.
#pragma once

#include <windows.h>

namespace zefo::win32 {

// Shows the about box modally over `owner` until OK, Enter or Escape.
void RunAboutDlg(HWND owner);

}  // namespace zefo::win32
