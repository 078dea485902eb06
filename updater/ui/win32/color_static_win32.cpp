#include "updater/ui/win32/color_static_win32.h"

#include <commctrl.h>

#include <vector>

#include "updater/ui/color_static_model.h"

namespace zefo::win32 {

namespace {

int DisplayPixelsPerInch() {
  MemoryDc display = MemoryDc::Adopt(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
  return display ? GetDeviceCaps(display.get(), LOGPIXELSY) : 96;
}

}  // namespace

CXColorStatic::CXColorStatic()
    : textColour_(GetSysColor(COLOR_BTNTEXT)),
      backgroundColour_(GetSysColor(COLOR_BTNFACE)),
      backgroundBrush_(CreateSolidBrush(backgroundColour_)) {}

void CXColorStatic::OnSubclassed() {
  auto source = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  if (source == nullptr) source = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (source == nullptr) source = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
  LOGFONTW description{};
  if (source != nullptr && GetObjectW(source, sizeof description, &description) != 0) {
    MakeFont(description);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CXColorStatic::SetForegroundColor(COLORREF colour, bool redraw) {
  textColour_ = colour;
  RedrawIf(redraw);
}

void CXColorStatic::SetFillColor(COLORREF colour, bool redraw) {
  backgroundColour_ = colour;
  backgroundBrush_.reset(CreateSolidBrush(colour));
  RedrawIf(redraw);
}

void CXColorStatic::SetBoldWeight(bool bold, bool redraw) {
  bold_ = bold;
  LOGFONTW description{};
  // Without a window font there is nothing to rebuild from: the font stays.
  if (WindowFontDescription(description)) {
    description.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
    MakeFont(description);
  }
  RedrawIf(redraw);
}

void CXColorStatic::SetFontFace(const std::wstring& face, int points, bool redraw) {
  LOGFONTW description{};
  if (face.empty()) {
    if (!WindowFontDescription(description) && font_) {
      GetObjectW(font_.get(), sizeof description, &description);
    }
  } else {
    lstrcpynW(description.lfFaceName, face.c_str(), kMaxFaceNameLength + 1);
  }
  description.lfHeight = FontHeightFromPoints(points, DisplayPixelsPerInch());
  description.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
  MakeFont(description);
  RedrawIf(redraw);
}

void CXColorStatic::SetWindowText(const std::wstring& text) {
  ::SetWindowTextW(hwnd_, text.c_str());
}

void CXColorStatic::MakeFont(const LOGFONTW& description) {
  if (HFONT made = CreateFontIndirectW(&description)) font_.reset(made);
}

bool CXColorStatic::WindowFontDescription(LOGFONTW& description) const {
  auto windowFont = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  return windowFont != nullptr && GetObjectW(windowFont, sizeof description, &description) != 0;
}

void CXColorStatic::RedrawIf(bool redraw) {
  if (redraw && hwnd_ != nullptr) {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  }
}

LRESULT CXColorStatic::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, backgroundBrush_.get());
      return 1;
    }
    case WM_PAINT: {
      PaintDc paint(hwnd_);
      Paint(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      if (lParam & PRF_ERASEBKGND) OnMessage(WM_ERASEBKGND, wParam, 0);
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_SETFONT: {
      // The platform's static may draw itself right away on these; ours
      // must be what stays on screen.
      const LRESULT result = Default(message, wParam, lParam);
      InvalidateRect(hwnd_, nullptr, TRUE);
      return result;
    }
    default:
      return Default(message, wParam, lParam);
  }
}

void CXColorStatic::Paint(HDC dc) {
  SavedDcState saved(dc);
  SetTextColor(dc, textColour_);
  SetBkColor(dc, backgroundColour_);
  SetBkMode(dc, OPAQUE);
  SelectObject(dc, backgroundBrush_.get());
  if (font_) SelectObject(dc, font_.get());

  const int length = GetWindowTextLengthW(hwnd_);
  std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd_, text.data(), length + 1);
  const auto style = static_cast<std::uint32_t>(GetWindowLongW(hwnd_, GWL_STYLE));
  RECT client;
  GetClientRect(hwnd_, &client);
  DrawTextW(dc, text.data(), copied, &client, StaticTextFormat(style));
}

}  // namespace zefo::win32
