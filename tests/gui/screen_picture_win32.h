// A copy of part of the screen, as the user sees it, for pixel checks and
// for the screenshots of the documentation (saved as PNG).
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zefo::testing::gui {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
  bool operator!=(const Rgb& other) const { return !(*this == other); }
};
std::string Describe(const Rgb& colour);  // "RGB(r, g, b)"

class ScreenPicture {
 public:
  // The screen's pixels inside `rect` (screen coordinates); empty when the
  // screen cannot be read.
  static ScreenPicture Capture(const RECT& rect);

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb At(int x, int y) const;
  // How many pixels of the row `y`, from `x` on, have `colour` without a break.
  int RunLength(int x, int y, const Rgb& colour) const;
  // Writes an 8-bit RGB PNG, creating the folder; false on failure.
  bool SavePng(const std::filesystem::path& file) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> rgb_;  // rows top down, 3 bytes a pixel
};

}  // namespace zefo::testing::gui
