// Owners for GDI objects and device contexts, so that every font, brush,
// bitmap and context made by the controls is freed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace zefo::win32 {

// A GDI object (HFONT, HBRUSH, HBITMAP, ...) freed with DeleteObject.
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H handle) : handle_(handle) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  H get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  H release() { return std::exchange(handle_, nullptr); }
  void reset(H handle = nullptr) {
    if (handle_ != nullptr && handle_ != handle) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  H handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

// A device context freed with DeleteDC: a memory context compatible with
// another one (null: the screen), or one made by CreateDCW.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
  // Takes over a context made elsewhere (CreateDCW); may be null.
  static MemoryDc Adopt(HDC dc) { return MemoryDc(dc, 0); }
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(MemoryDc&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  MemoryDc& operator=(MemoryDc&&) = delete;
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  MemoryDc(HDC dc, int) : dc_(dc) {}
  HDC dc_;
};

// A window's context from GetDC (null window: the screen), given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint around a WM_PAINT handler.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC get() const { return dc_; }
  const PAINTSTRUCT& paint() const { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Selects an object into a context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC/RestoreDC: colours, modes and selections return as they were.
class SavedDcState {
 public:
  explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  SavedDcState(const SavedDcState&) = delete;
  SavedDcState& operator=(const SavedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace zefo::win32
