// Off-screen drawing: everything drawn into dc() goes to a compatible bitmap
// that the destructor copies to the target in one BitBlt, so painting does
// not flicker. Printer contexts are drawn into directly.
#pragma once

#include <windows.h>

#include "updater/ui/win32/gdi_objects_win32.h"

namespace zefo::win32 {

class CMemDC2 {
 public:
  // `rect` is in the target's logical units; null means the target's clip box.
  // The rectangle is first filled with the background of the target's window.
  explicit CMemDC2(HDC target, const RECT* rect = nullptr);
  ~CMemDC2();
  CMemDC2(const CMemDC2&) = delete;
  CMemDC2& operator=(const CMemDC2&) = delete;

  HDC dc() const { return memory_ ? memory_.get() : target_; }
  const RECT& rect() const { return rect_; }

 private:
  void FillBackground();

  HDC target_;
  RECT rect_{};
  MemoryDc memory_{MemoryDc::Adopt(nullptr)};
  Bitmap bitmap_;
  HGDIOBJ previousBitmap_ = nullptr;
};

}  // namespace zefo::win32
