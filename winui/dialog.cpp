#include "winui/dialog.h"

namespace zefo::winui {
namespace {

// Messages whose result a dialog procedure returns itself; every other result
// goes through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  if (Dialog::IsControlColourMessage(message)) return true;
  switch (message) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

}  // namespace

Dialog::~Dialog() { Destroy(); }

INT_PTR Dialog::DoModal(HWND owner) {
  modeless_ = false;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create(HWND owner) {
  modeless_ = true;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::Destroy() {
  if (modeless_ && hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Dialog::EndDialog(INT_PTR result) {
  if (!modeless_ && hwnd_ != nullptr) ::EndDialog(hwnd_, result);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->hwnd_ = window;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
  } else {
    dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT and the creation messages)
  // have no object yet.
  if (dialog == nullptr) return FALSE;

  const std::optional<INT_PTR> result = dialog->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->hwnd_ = nullptr;
  }
  if (!result) return FALSE;
  if (ReturnsResultDirectly(message)) return *result;
  SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(*result));
  return TRUE;
}

}  // namespace zefo::winui
