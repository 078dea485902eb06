#include "updater/ui/image_decode.h"

#include <png.h>

#include <cstring>

namespace zefo {

namespace {

// The pictures are a few hundred pixels wide; anything far larger is not one
// of them and is refused before memory is committed to it.
constexpr png_uint_32 kMaxSide = 16384;
constexpr std::size_t kMaxPixels = std::size_t{1} << 26;

// Frees libpng's read state on every path out.
class PngImage {
 public:
  PngImage() {
    std::memset(&image_, 0, sizeof image_);
    image_.version = PNG_IMAGE_VERSION;
  }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;
  png_image* get() { return &image_; }

 private:
  png_image image_;
};

}  // namespace

std::uint8_t BlendChannel(std::uint8_t channel, std::uint8_t alpha, std::uint8_t colour) {
  return static_cast<std::uint8_t>((channel * alpha + colour * (256 - alpha)) / 256);
}

bool DecodePng(const void* data, std::size_t size, Rgb transparent, DecodedImage& image) {
  if (data == nullptr || size == 0) return false;
  PngImage png;
  png_image* info = png.get();
  if (!png_image_begin_read_from_memory(info, data, size)) return false;
  if (info->width == 0 || info->height == 0 || info->width > kMaxSide || info->height > kMaxSide ||
      std::size_t{info->width} * info->height > kMaxPixels) {
    return false;
  }
  // Read straight 8-bit RGB(A) and blend here: libpng's own composition
  // rounds differently from the rule the artwork was made for.
  const bool alpha = (info->format & PNG_FORMAT_FLAG_ALPHA) != 0;
  info->format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  const std::size_t channels = alpha ? 4 : 3;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(*info));
  if (!png_image_finish_read(info, nullptr, pixels.data(), 0, nullptr)) return false;

  DecodedImage decoded;
  decoded.width = static_cast<int>(info->width);
  decoded.height = static_cast<int>(info->height);
  const std::size_t count = std::size_t{info->width} * info->height;
  decoded.bgr.resize(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* in = &pixels[i * channels];
    std::uint8_t* out = &decoded.bgr[i * 3];
    if (alpha) {
      out[0] = BlendChannel(in[2], in[3], transparent.b);
      out[1] = BlendChannel(in[1], in[3], transparent.g);
      out[2] = BlendChannel(in[0], in[3], transparent.r);
    } else {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  image = std::move(decoded);
  return true;
}

}  // namespace zefo
