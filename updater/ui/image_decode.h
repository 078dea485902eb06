// Decoding of the program's PNG pictures and the blending that removes their
// alpha channel: each channel becomes (channel * alpha + colour * (256 - alpha))
// / 256, rounded down, onto the transparent colour (black for every picture
// the program carries). Pictures without alpha keep their pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zefo {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// 24-bit pixels, rows top to bottom, each pixel blue, green, red (the order
// of a Windows DIB), rows packed without padding.
struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;
};

std::uint8_t BlendChannel(std::uint8_t channel, std::uint8_t alpha, std::uint8_t colour);

// Decodes PNG bytes and blends any alpha onto `transparent`. False (image
// untouched) when the bytes are not a PNG this decoder reads or the picture
// is too large.
bool DecodePng(const void* data, std::size_t size, Rgb transparent, DecodedImage& image);

}  // namespace zefo
