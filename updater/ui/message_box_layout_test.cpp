#include "updater/ui/message_box_layout.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

TEST(MessageBoxLayoutTest, ShippedPicturesGiveTheKnownPlaces) {
  const struct {
    bool twoButtons;
    LayoutRect confirm;
  } cases[] = {
      {true, {226, 172, 100, 30}},   // "Quit" on the left, confirm on the right
      {false, {146, 172, 100, 30}},  // the confirm button alone, centred
  };
  for (const auto& c : cases) {
    const MessageBoxLayout layout = LayOutMessageBox(392, 222, 100, 30, c.twoButtons);
    EXPECT_EQ(layout.confirm, c.confirm) << c.twoButtons;
    EXPECT_EQ(layout.quit, (LayoutRect{66, 172, 100, 30}));
    EXPECT_EQ(layout.message, (LayoutRect{25, 84, 342, 74}));
    EXPECT_EQ(layout.title, (LayoutRect{7, 6, 382, 30}));
  }
}

TEST(MessageBoxLayoutTest, DivisionsRoundTowardZero) {
  // 2 * 101 / 3 = 67; 301 / 2 - 101 / 2 = 100; 199 / 2 = 99, 99 / 4 = 24.
  EXPECT_EQ(LayOutMessageBox(301, 199, 101, 31, true).quit, (LayoutRect{67, 148, 101, 31}));
  EXPECT_EQ(LayOutMessageBox(301, 199, 101, 31, false).confirm, (LayoutRect{100, 148, 101, 31}));
  EXPECT_EQ(LayOutMessageBox(301, 199, 101, 31, false).message, (LayoutRect{25, 75, 251, 66}));
}

TEST(MessageBoxLayoutTest, NoPicturesGiveNoNegativeSizes) {
  const MessageBoxLayout layout = LayOutMessageBox(0, 0, 0, 0, true);
  EXPECT_EQ(layout.message, (LayoutRect{25, 0, 0, 0}));
  EXPECT_EQ(layout.title, (LayoutRect{7, 6, 0, 30}));
  EXPECT_EQ(layout.confirm, (LayoutRect{0, -20, 0, 0}));
}

}  // namespace
}  // namespace zefo
