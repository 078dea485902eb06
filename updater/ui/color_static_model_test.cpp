#include "updater/ui/color_static_model.h"

#include <gtest/gtest.h>

#include <climits>

namespace zefo {
namespace {

TEST(ColorStaticModel, FontHeightFromPointsAndPixelsPerInch) {
  struct Case {
    int points, ppi, height;
  };
  const Case cases[] = {
      {11, 96, -15}, {12, 96, -16}, {9, 96, -12}, {10, 96, -13},  // 13.33 -> 13
      {11, 120, -18},                                               // 18.33 -> 18
      {11, 144, -22}, {0, 96, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    EXPECT_EQ(FontHeightFromPoints(c.points, c.ppi), c.height);
  }
}

TEST(ColorStaticModel, MulDivRoundsHalfAwayFromZero) {
  struct Case {
    int a, b, c, result;
  };
  const Case cases[] = {
      {3, 1, 2, 2},    {-3, 1, 2, -2},  {3, -1, 2, -2}, {3, 1, -2, -2},
      {-3, -1, 2, 2},  {5, 1, 3, 2},    {4, 1, 3, 1},   {1, 1, 0, -1},
      {INT_MAX, 2, 1, -1},  // does not fit
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << "*" << c.b << "/" << c.c);
    EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.result);
  }
}

TEST(ColorStaticModel, DrawTextFlagsFromTheStaticStyle) {
  constexpr std::uint32_t kCenter = 0x1, kRight = 0x2, kCenterImage = 0x200, kNotify = 0x100;
  constexpr std::uint32_t kDtCenter = 0x1, kDtRight = 0x2, kDtVCenterSingle = 0x24, kDtWordBreak = 0x10;
  struct Case {
    std::uint32_t style, flags;
  };
  const Case cases[] = {
      {0, kDtWordBreak},
      {kCenter, kDtCenter | kDtWordBreak},
      {kRight, kDtRight | kDtWordBreak},
      {kCenterImage, kDtVCenterSingle},
      {kCenter | kCenterImage, kDtCenter | kDtVCenterSingle},
      {kRight | kCenterImage | kNotify, kDtRight | kDtVCenterSingle},
      {0x50000000 | kCenter, kDtCenter | kDtWordBreak},  // WS_CHILD | WS_VISIBLE do not matter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    EXPECT_EQ(StaticTextFormat(c.style), c.flags);
  }
}

}  // namespace
}  // namespace zefo
