#include "updater/ui/image_decode.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <vector>

namespace zefo {
namespace {

// Encodes `pixels` (rows of `format` pixels) as a PNG in memory.
std::vector<std::uint8_t> EncodePng(int width, int height, png_uint_32 format,
                                    const std::vector<std::uint8_t>& pixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr));
  std::vector<std::uint8_t> bytes(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr));
  bytes.resize(size);
  return bytes;
}

TEST(ImageDecode, BlendRuleOntoTheTransparentColour) {
  struct Case {
    int channel, alpha, colour, result;
  };
  const Case cases[] = {
      {255, 255, 0, 254},  // opaque still loses a little: * 255 / 256
      {255, 0, 0, 0},      {29, 128, 0, 14},   {254, 92, 0, 91},
      {0, 0, 255, 255},    {0, 128, 200, 100}, {100, 255, 255, 100},
      {200, 64, 40, 80},   // (12800 + 7680) / 256 = 80
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channel << " a" << c.alpha << " on " << c.colour);
    EXPECT_EQ(BlendChannel(static_cast<std::uint8_t>(c.channel), static_cast<std::uint8_t>(c.alpha),
                           static_cast<std::uint8_t>(c.colour)),
              c.result);
  }
}

TEST(ImageDecode, RgbaPictureIsBlendedIntoBgrRowsTopDown) {
  // Two by two: the Start button's fill and border, a clear and an opaque pixel.
  const std::vector<std::uint8_t> rgba = {
      29, 87, 254, 128, 8,  81, 215, 255,  // top row
      10, 20, 30,  0,   40, 50, 60,  255,  // bottom row
  };
  const auto png = EncodePng(2, 2, PNG_FORMAT_RGBA, rgba);
  DecodedImage image;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), Rgb{}, image));
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  const std::vector<std::uint8_t> expected = {
      127, 43, 14, 214, 80, 7,  // b, g, r of (29, 87, 254)@128 and (8, 81, 215)@255
      0,   0,  0,  59,  49, 39,
  };
  EXPECT_EQ(image.bgr, expected);

  ASSERT_TRUE(DecodePng(png.data(), png.size(), Rgb{255, 0, 100}, image));
  EXPECT_EQ(image.bgr[6 + 0], 100);  // the clear pixel takes the transparent colour
  EXPECT_EQ(image.bgr[6 + 2], 255);
}

TEST(ImageDecode, PicturesWithoutAlphaKeepTheirPixels) {
  const std::vector<std::uint8_t> rgb = {36, 37, 38, 90, 104, 122, 19, 19, 19};
  const auto png = EncodePng(3, 1, PNG_FORMAT_RGB, rgb);
  DecodedImage image;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), Rgb{}, image));
  EXPECT_EQ(image.bgr, (std::vector<std::uint8_t>{38, 37, 36, 122, 104, 90, 19, 19, 19}));

  const auto gray = EncodePng(2, 1, PNG_FORMAT_GRAY, {0, 200});
  ASSERT_TRUE(DecodePng(gray.data(), gray.size(), Rgb{}, image));
  EXPECT_EQ(image.bgr, (std::vector<std::uint8_t>{0, 0, 0, 200, 200, 200}));
}

TEST(ImageDecode, BadInputLeavesTheImageAlone) {
  const auto png = EncodePng(1, 1, PNG_FORMAT_RGB, {1, 2, 3});
  const std::vector<std::uint8_t> garbage = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
  const std::vector<std::uint8_t> truncated(png.begin(), png.begin() + png.size() / 2);
  // A valid header claiming 100000 x 1 pixels.
  auto huge = png;
  const std::uint8_t width[4] = {0x00, 0x01, 0x86, 0xA0};
  std::memcpy(&huge[16], width, 4);

  struct Case {
    const char* name;
    const std::vector<std::uint8_t>* bytes;
  };
  const std::vector<std::uint8_t> empty;
  const Case cases[] = {{"garbage", &garbage}, {"truncated", &truncated}, {"empty", &empty},
                        {"too wide", &huge}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedImage image;
    image.width = 7;
    EXPECT_FALSE(DecodePng(c.bytes->data(), c.bytes->size(), Rgb{}, image));
    EXPECT_EQ(image.width, 7);
    EXPECT_TRUE(image.bgr.empty());
  }
}

}  // namespace
}  // namespace zefo
