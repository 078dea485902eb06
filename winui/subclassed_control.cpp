#include "winui/subclassed_control.h"

#include <commctrl.h>

namespace zefo::winui {
namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

SubclassedControl::~SubclassedControl() {
  if (hwnd_ != nullptr) RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
}

bool SubclassedControl::SubclassDlgItem(int controlId, HWND parent) {
  HWND control = GetDlgItem(parent, controlId);
  if (control == nullptr || hwnd_ != nullptr) return false;
  if (!SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  hwnd_ = control;
  OnSubclassed();
  return true;
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<SubclassedControl*>(self);
  if (message == WM_NCDESTROY) {
    control->OnWindowGone();
    RemoveWindowSubclass(window, SubclassProc, kSubclassId);
    control->hwnd_ = nullptr;
    return DefSubclassProc(window, message, wParam, lParam);
  }
  return control->OnMessage(message, wParam, lParam);
}

}  // namespace zefo::winui
