// A control that takes over a dialog's existing child window: the window's
// messages reach OnMessage first (SetWindowSubclass), and whatever it leaves
// goes on to the window's own procedure through Default. The object owns the
// take-over, not the window: the dialog destroys the window, after which
// hwnd() is null.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace zefo::winui {

class SubclassedControl {
 public:
  virtual ~SubclassedControl();
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Takes over the dialog's control `controlId`; false when there is none,
  // or when this object has a window already.
  bool SubclassDlgItem(int controlId, HWND parent);
  HWND hwnd() const { return hwnd_; }

 protected:
  SubclassedControl() = default;

  // Right after the take-over, with hwnd() set.
  virtual void OnSubclassed() {}
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The window is being destroyed (WM_NCDESTROY); hwnd() is still set.
  virtual void OnWindowGone() {}
  // The window's own processing of a message.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, message, wParam, lParam);
  }

  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self);
};

}  // namespace zefo::winui
