#include "updater/app/main_window_layout.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

TEST(MainWindowLayoutTest, ShippedPicturesGiveTheKnownPlaces) {
  const MainWindowLayout layout = LayOutMainWindow(768, 432, 94, 34, 20, 20);
  EXPECT_EQ(layout.window, (LayoutRect{0, 0, 768, 432}));
  EXPECT_EQ(layout.exit, (LayoutRect{743, 5, 20, 20}));
  EXPECT_EQ(layout.status, (LayoutRect{256, 362, 256, 20}));
  EXPECT_EQ(layout.progress, (LayoutRect{256, 387, 256, 20}));
  EXPECT_EQ(layout.start, (LayoutRect{337, 387, 94, 34}));
}

TEST(MainWindowLayoutTest, HalvingsRoundTowardZero) {
  // 301 / 3 = 100; Start: 100 + (50 - 45) with a 91-pixel-wide picture.
  const MainWindowLayout layout = LayOutMainWindow(301, 200, 91, 30, 21, 21);
  EXPECT_EQ(layout.status, (LayoutRect{100, 130, 100, 20}));
  EXPECT_EQ(layout.start, (LayoutRect{105, 155, 91, 30}));
  EXPECT_EQ(layout.exit, (LayoutRect{275, 5, 21, 21}));
}

TEST(MainWindowLayoutTest, NoPicturesGiveNoNegativeSizes) {
  const MainWindowLayout layout = LayOutMainWindow(0, 0, 0, 0, 0, 0);
  EXPECT_EQ(layout.window, (LayoutRect{0, 0, 0, 0}));
  EXPECT_EQ(layout.status, (LayoutRect{0, -70, 0, 20}));
  EXPECT_EQ(layout.exit, (LayoutRect{-5, 5, 0, 0}));
}

}  // namespace
}  // namespace zefo
