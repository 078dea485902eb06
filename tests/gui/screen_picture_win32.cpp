#include "tests/gui/screen_picture_win32.h"

#include <png.h>

#include <cstdio>
#include <memory>

#include "updater/ui/win32/gdi_objects_win32.h"

namespace zefo::testing::gui {

namespace fs = std::filesystem;
using win32::Bitmap;
using win32::MemoryDc;
using win32::SelectedObject;
using win32::WindowDc;

std::string Describe(const Rgb& colour) {
  return "RGB(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " + std::to_string(colour.b) + ")";
}

ScreenPicture ScreenPicture::Capture(const RECT& rect) {
  ScreenPicture picture;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return picture;
  const WindowDc screen(nullptr);
  const MemoryDc memory(screen.get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const Bitmap section(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || bits == nullptr) return picture;
  {
    const SelectedObject selected(memory.get(), section.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY)) return picture;
  }
  GdiFlush();
  const auto* bgrx = static_cast<const std::uint8_t*>(bits);
  picture.width_ = width;
  picture.height_ = height;
  picture.rgb_.resize(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
    picture.rgb_[i * 3] = bgrx[i * 4 + 2];
    picture.rgb_[i * 3 + 1] = bgrx[i * 4 + 1];
    picture.rgb_[i * 3 + 2] = bgrx[i * 4];
  }
  return picture;
}

Rgb ScreenPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::uint8_t* pixel = &rgb_[(static_cast<std::size_t>(y) * width_ + x) * 3];
  return {pixel[0], pixel[1], pixel[2]};
}

int ScreenPicture::RunLength(int x, int y, const Rgb& colour) const {
  int length = 0;
  while (x + length < width_ && At(x + length, y) == colour) ++length;
  return length;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ScreenPicture::SavePng(const fs::path& file) const {
  if (width_ == 0) return false;
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  std::unique_ptr<std::FILE, FileCloser> out(_wfopen(file.wstring().c_str(), L"wb"));
  if (!out) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // libpng reports its failures by jumping back here.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, out.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width_), static_cast<png_uint_32>(height_), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height_; ++y) {
    png_write_row(png, &rgb_[static_cast<std::size_t>(y) * width_ * 3]);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(out.get()) == 0;
}

}  // namespace zefo::testing::gui
