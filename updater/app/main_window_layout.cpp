#include "updater/app/main_window_layout.h"

namespace zefo {
namespace {

constexpr int kExitInset = 5;
constexpr int kLineHeight = 20;
constexpr int kStatusFromBottom = 70;
constexpr int kBarFromBottom = 45;

}  // namespace

MainWindowLayout LayOutMainWindow(int width, int height, int startWidth, int startHeight, int exitWidth,
                                  int exitHeight) {
  // The middle third of the width holds the status line, the bar and Start.
  const int third = width / 3;
  MainWindowLayout layout;
  layout.window = ClampedRect(0, 0, width, height);
  layout.exit = ClampedRect(width - exitWidth - kExitInset, kExitInset, exitWidth, exitHeight);
  layout.status = ClampedRect(third, height - kStatusFromBottom, third, kLineHeight);
  layout.progress = ClampedRect(third, height - kBarFromBottom, third, kLineHeight);
  layout.start = ClampedRect(third + (third / 2 - startWidth / 2), height - kBarFromBottom, startWidth, startHeight);
  return layout;
}

}  // namespace zefo
