// Where the message box puts its lines and buttons, from the size of its
// background picture and of the confirm button's picture.
#pragma once

#include "updater/ui/layout_rect.h"

namespace zefo {

struct MessageBoxLayout {
  LayoutRect confirm;
  LayoutRect quit;  // shown only in the two-button form
  LayoutRect message;
  LayoutRect title;
};

// `width` x `height`: the background; `buttonWidth` x `buttonHeight`: the
// confirm button's picture (both buttons get that size). Negative sizes are 0.
MessageBoxLayout LayOutMessageBox(int width, int height, int buttonWidth, int buttonHeight, bool twoButtons);

}  // namespace zefo
