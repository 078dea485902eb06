// A static text control that paints itself: its own text colour, solid
// background and font. It subclasses a dialog's STATIC control; the text is
// the control's window text (SetWindowTextW). The colour setters are named
// for what they paint: SetForegroundColor (the text) and SetFillColor (the
// background). Each setter takes a redraw flag: true redraws at once.
#pragma once

#include <windows.h>

#include <string>

#include "updater/ui/win32/gdi_objects_win32.h"
#include "winui/subclassed_control.h"

namespace zefo::win32 {

class CXColorStatic : public winui::SubclassedControl {
 public:
  CXColorStatic();

  void SetForegroundColor(COLORREF colour, bool redraw = false);
  void SetFillColor(COLORREF colour, bool redraw = false);
  // Rebuilds the font from the control's window font with weight 700 or 400;
  // a face set by SetFontFace is lost, so call this first.
  void SetBoldWeight(bool bold, bool redraw = false);
  // Rebuilds the font as `face` (at most 31 characters; empty: the window
  // font's face) of `points` points on the display, weight as SetBoldWeight.
  void SetFontFace(const std::wstring& face, int points, bool redraw = false);
  // (windows.h maps the name to SetWindowTextW; callers see the same.)
  void SetWindowText(const std::wstring& text);

  COLORREF foregroundColor() const { return textColour_; }
  COLORREF fillColor() const { return backgroundColour_; }
  HFONT font() const { return font_.get(); }

 private:
  // Makes the font from the control's window font.
  void OnSubclassed() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc);
  void MakeFont(const LOGFONTW& description);
  bool WindowFontDescription(LOGFONTW& description) const;
  void RedrawIf(bool redraw);

  Font font_;
  COLORREF textColour_;
  COLORREF backgroundColour_;
  Brush backgroundBrush_;
  bool bold_ = false;
};

}  // namespace zefo::win32
