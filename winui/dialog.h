// A dialog built from a resource template of the program's module. Derived
// classes handle its messages in OnMessage, one switch per dialog class.
// Run modally with DoModal (DialogBoxParamW), or created with Create and
// driven by a loop of the caller's; either way the object owns the window.
#pragma once

#include <windows.h>

#include <optional>

namespace zefo::winui {

class Dialog {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog and returns once EndDialog ended it: its result, or -1
  // when the window could not be made.
  INT_PTR DoModal(HWND owner = nullptr);
  // Makes the dialog's window and returns; false when it could not be made.
  bool Create(HWND owner = nullptr);
  // Destroys a window made by Create.
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  HWND Item(int controlId) const { return GetDlgItem(hwnd_, controlId); }

  // WM_CTLCOLORMSGBOX to WM_CTLCOLORSTATIC: a control asks for its colours.
  static bool IsControlColourMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
  }

 protected:
  // The dialog's handlers: a result for a handled message, nothing to leave
  // it to the dialog manager. WM_INITDIALOG comes first, with hwnd() set.
  virtual std::optional<INT_PTR> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Ends a dialog run by DoModal with `result`.
  void EndDialog(INT_PTR result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  const int templateId_;
  HWND hwnd_ = nullptr;
  bool modeless_ = false;
};

}  // namespace zefo::winui
