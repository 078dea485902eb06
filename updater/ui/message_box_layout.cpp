#include "updater/ui/message_box_layout.h"

namespace zefo {
namespace {

constexpr int kButtonsFromBottom = 20;
constexpr int kMessageX = 25;
constexpr int kTitleX = 7;
constexpr int kTitleY = 6;
constexpr int kTitleHeight = 30;

}  // namespace

MessageBoxLayout LayOutMessageBox(int width, int height, int buttonWidth, int buttonHeight, bool twoButtons) {
  MessageBoxLayout layout;
  const int buttonY = height - buttonHeight - kButtonsFromBottom;
  // Two buttons sit two thirds of a button in from either side.
  const int inset = (2 * buttonWidth) / 3;
  layout.quit = ClampedRect(inset, buttonY, buttonWidth, buttonHeight);
  const int confirmX = twoButtons ? width - buttonWidth - inset : width / 2 - buttonWidth / 2;
  layout.confirm = ClampedRect(confirmX, buttonY, buttonWidth, buttonHeight);
  const int half = height / 2;
  layout.message = ClampedRect(kMessageX, half - half / 4, width - 2 * kMessageX, height / 3);
  layout.title = ClampedRect(kTitleX, kTitleY, width - 10, kTitleHeight);
  return layout;
}

}  // namespace zefo
