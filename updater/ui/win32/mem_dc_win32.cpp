#include "updater/ui/win32/mem_dc_win32.h"

namespace zefo::win32 {

namespace {

constexpr ULONG_PTR kDialogClassAtom = 32770;

bool IsPrinter(HDC dc) { return GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER; }

void FillWithColour(HDC dc, const RECT& rect, COLORREF colour) {
  Brush brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.get());
}

}  // namespace

CMemDC2::CMemDC2(HDC target, const RECT* rect)
    : target_(target), memory_(IsPrinter(target) ? MemoryDc::Adopt(nullptr) : MemoryDc(target)) {
  if (rect != nullptr) {
    rect_ = *rect;
  } else {
    GetClipBox(target_, &rect_);
  }
  if (memory_) {
    RECT device = rect_;
    LPtoDP(target_, reinterpret_cast<POINT*>(&device), 2);
    bitmap_.reset(CreateCompatibleBitmap(target_, device.right - device.left,
                                         device.bottom - device.top));
    previousBitmap_ = SelectObject(memory_.get(), bitmap_.get());
    SetMapMode(memory_.get(), GetMapMode(target_));
    SIZE extent;
    GetWindowExtEx(target_, &extent);
    SetWindowExtEx(memory_.get(), extent.cx, extent.cy, nullptr);
    GetViewportExtEx(target_, &extent);
    SetViewportExtEx(memory_.get(), extent.cx, extent.cy, nullptr);
    DPtoLP(target_, reinterpret_cast<POINT*>(&device), 2);
    rect_ = device;
    SetWindowOrgEx(memory_.get(), rect_.left, rect_.top, nullptr);
  }
  FillBackground();
}

CMemDC2::~CMemDC2() {
  if (!memory_) return;
  BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top,
         memory_.get(), rect_.left, rect_.top, SRCCOPY);
  SelectObject(memory_.get(), previousBitmap_);
}

void CMemDC2::FillBackground() {
  HWND window = WindowFromDC(target_);
  if (window == nullptr) {
    FillWithColour(dc(), rect_, GetBkColor(target_));
  } else if (GetClassLongPtrW(window, GCW_ATOM) == kDialogClassAtom) {
    FillRect(dc(), &rect_, GetSysColorBrush(COLOR_BTNFACE));
  } else {
    auto classBrush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND));
    if (classBrush != nullptr) {
      FillRect(dc(), &rect_, classBrush);  // also takes the COLOR_x + 1 forms
    } else {
      FillWithColour(dc(), rect_, GetBkColor(target_));
    }
  }
}

}  // namespace zefo::win32
