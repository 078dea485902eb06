// A push button drawn from state pictures (normal, hover, pressed) with a
// bold Tahoma label centred on it. It subclasses a BUTTON control of a
// dialog and reports a click (WM_COMMAND, BN_CLICKED, sent to the parent)
// only for a press and release over it. The pointer rules live in
// image_button_state.h.
#pragma once

#include <windows.h>

#include <string>

#include "updater/ui/image_button_state.h"
#include "updater/ui/win32/gdi_objects_win32.h"
#include "winui/subclassed_control.h"

namespace zefo::win32 {

class CImageButton : public winui::SubclassedControl {
 public:
  // PNG resource ids; a fourth id of -1 loads the normal picture again.
  // Pictures that do not load leave their slot to the next one.
  CImageButton(int normalId, int hoverId, int pressedId, int fourthId);
  // The label and its font height (logical units; positive: cell height).
  // Does not repaint.
  void SetText(const std::wstring& label, int fontHeight);

  // Size of the last picture that loaded (0 x 0 when none did).
  int imageWidth = 0;
  int imageHeight = 0;

  ButtonState state() const { return pointer_.state(); }

 private:
  void OnSubclassed() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Apply(const ButtonReaction& reaction);
  void Paint(HDC dc);

  Bitmap pictures_[kButtonPictureSlots];
  ImageButtonPointer pointer_;
  std::wstring label_;
  Font labelFont_;
  bool tracking_ = false;
};

}  // namespace zefo::win32
