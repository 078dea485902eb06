// A control's place in its window's client area, in pixels.
#pragma once

namespace zefo {

struct LayoutRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  friend bool operator==(const LayoutRect& a, const LayoutRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  }
};

// A rectangle whose negative sizes (from pictures that did not load) are 0.
inline LayoutRect ClampedRect(int x, int y, int width, int height) {
  return LayoutRect{x, y, width < 0 ? 0 : width, height < 0 ? 0 : height};
}

}  // namespace zefo
