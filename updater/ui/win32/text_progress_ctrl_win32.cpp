#include "updater/ui/win32/text_progress_ctrl_win32.h"

#include <commctrl.h>

#include "updater/ui/win32/mem_dc_win32.h"

namespace zefo::win32 {

namespace {

constexpr UINT_PTR kMarqueeTimer = 1;
constexpr COLORREF kTextColour = RGB(255, 255, 255);

}  // namespace

CTextProgressCtrl::CTextProgressCtrl() = default;

CTextProgressCtrl::~CTextProgressCtrl() {
  if (hwnd_ != nullptr) KillTimer(hwnd_, kMarqueeTimer);
}

void CTextProgressCtrl::OnSubclassed() { InvalidateRect(hwnd_, nullptr, FALSE); }

void CTextProgressCtrl::OnWindowGone() { KillTimer(hwnd_, kMarqueeTimer); }

void CTextProgressCtrl::SetTextFont(int height, int weight) {
  LOGFONTW description{};
  description.lfHeight = height;
  description.lfWeight = weight;
  lstrcpynW(description.lfFaceName, L"Tahoma", LF_FACESIZE);
  textFont_.reset(CreateFontIndirectW(&description));
}

void CTextProgressCtrl::SetProgressText(const std::wstring& text) {
  // Workers set the text while the window's thread may be painting it.
  std::lock_guard<std::mutex> lock(textMutex_);
  text_ = text;
}

LRESULT CTextProgressCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  std::intptr_t result = 0;
  if (model_.Handle(message, wParam, lParam, *this, result)) return result;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // painting covers everything
    case WM_PAINT: {
      PaintDc paint(hwnd_);  // completes the paint request even when nothing is drawn
      Paint(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_TIMER:
      // The platform bar's own timers are not wanted: it paints nothing here.
      if (wParam == kMarqueeTimer) model_.Tick(*this);
      return 0;
    default:
      return Default(message, wParam, lParam);
  }
}

void CTextProgressCtrl::Paint(HDC target) {
  if (model_.minimum() >= model_.maximum()) return;
  CMemDC2 memory(target);
  HDC dc = memory.dc();
  const COLORREF bar = model_.BarColour(*this);
  const COLORREF background = model_.BackgroundColour(*this);
  auto windowFont = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  if (windowFont == nullptr) {
    windowFont = reinterpret_cast<HFONT>(SendMessageW(GetParent(hwnd_), WM_GETFONT, 0, 0));
  }
  SelectedObject font(dc, windowFont);

  RECT client;
  GetClientRect(hwnd_, &client);
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  const PaintRect area{client.left, client.top, client.right, client.bottom};
  Brush barBrush(CreateSolidBrush(bar));
  Brush backgroundBrush(CreateSolidBrush(background));
  const bool vertical = (style & PBS_VERTICAL) != 0;
  const bool marquee = (style & PBS_MARQUEE) != 0;
  for (const ProgressFill& fill : model_.Fills(area, vertical, marquee)) {
    const RECT rect{fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
    FillRect(dc, &rect, fill.bar ? barBrush.get() : backgroundBrush.get());
  }

  std::wstring text;
  {
    std::lock_guard<std::mutex> lock(textMutex_);
    text = text_;
  }
  if (showText && !text.empty()) {
    SelectedObject textFont(dc, textFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kTextColour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

void CTextProgressCtrl::RedrawNow() {
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

bool CTextProgressCtrl::MarqueeStyle() const {
  return (GetWindowLongW(hwnd_, GWL_STYLE) & PBS_MARQUEE) != 0;
}

void CTextProgressCtrl::SetMarqueeStyle(bool on) {
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  SetWindowLongW(hwnd_, GWL_STYLE, on ? (style | PBS_MARQUEE) : (style & ~PBS_MARQUEE));
}

void CTextProgressCtrl::StartTimer(unsigned periodMs) {
  SetTimer(hwnd_, kMarqueeTimer, periodMs, nullptr);
}

void CTextProgressCtrl::StopTimer() { KillTimer(hwnd_, kMarqueeTimer); }

std::uint32_t CTextProgressCtrl::SystemColour(int index) const { return GetSysColor(index); }

}  // namespace zefo::win32
