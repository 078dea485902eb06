// Where the main window puts its controls, from the sizes of its pictures:
// the background gives the window's size, the buttons keep their pictures'
// sizes.
#pragma once

#include "updater/ui/layout_rect.h"

namespace zefo {

struct MainWindowLayout {
  LayoutRect window;  // screen position and size (the client area: no frame)
  LayoutRect exit;
  LayoutRect status;
  LayoutRect progress;
  LayoutRect start;
};

// `width` x `height` is the background picture's size; the buttons' sizes are
// those of their pictures. Sizes that come out negative are 0.
MainWindowLayout LayOutMainWindow(int width, int height, int startWidth, int startHeight, int exitWidth,
                                  int exitHeight);

}  // namespace zefo
