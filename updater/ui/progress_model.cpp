#include "updater/ui/progress_model.h"

#include <algorithm>
#include <atomic>
#include <limits>

namespace zefo {

namespace {

// One direction for every bar, so that bars in marquee mode turn together.
std::atomic<int> g_marqueeDirection{1};

int ClampToInt(long long value) {
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

int ClampToInt(double value) {
  if (!(value > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(value);
}

std::uint32_t Resolve(std::uint32_t colour, int systemIndex, const ProgressHost& host) {
  return colour == kColourDefault ? host.SystemColour(systemIndex) : colour;
}

std::uint32_t ColourParam(std::intptr_t lParam) { return static_cast<std::uint32_t>(lParam); }

std::intptr_t ColourResult(std::uint32_t colour) { return static_cast<std::intptr_t>(colour); }

}  // namespace

int ProgressModel::MarqueeDirection() { return g_marqueeDirection.load(); }

int ProgressModel::ExtendedMaximum() const {
  return ClampToInt(((marqueeLength_ + 100.0) * maximum_ + 0.5) / 100.0);
}

std::uint32_t ProgressModel::BarColour(const ProgressHost& host) const {
  return Resolve(barColour_, kSysColourHighlight, host);
}

std::uint32_t ProgressModel::BackgroundColour(const ProgressHost& host) const {
  return Resolve(backgroundColour_, kSysColourButtonFace, host);
}

std::intptr_t ProgressModel::RangeResult() const {
  const std::uint32_t packed = (static_cast<std::uint32_t>(maximum_) << 16) |
                               (static_cast<std::uint32_t>(minimum_) & 0xFFFF);
  return static_cast<std::intptr_t>(packed);
}

std::intptr_t ProgressModel::SetPosition(long long requested, ProgressHost& host) {
  const int old = position_;
  long long position = std::max<long long>(requested, minimum_);
  const int limit = host.MarqueeStyle() ? ExtendedMaximum() : maximum_;
  position = std::min<long long>(position, limit);
  // Only with an empty range (maximum below minimum) can this still be out of int range.
  position_ = ClampToInt(position);
  host.RedrawNow();
  return old;
}

bool ProgressModel::Handle(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                           ProgressHost& host, std::intptr_t& result) {
  namespace m = progress_msg;
  // wParam carries a signed int where the message takes one.
  const int wInt = static_cast<int>(wParam);
  switch (message) {
    case m::kSetRange: {
      result = RangeResult();
      const auto packed = static_cast<std::uint32_t>(lParam);
      minimum_ = static_cast<int>(packed & 0xFFFF);
      maximum_ = static_cast<int>(packed >> 16);
      return true;
    }
    case m::kSetRange32:
      result = RangeResult();
      minimum_ = wInt;
      maximum_ = static_cast<int>(lParam);
      return true;
    case m::kSetPos:
      result = SetPosition(wInt, host);
      return true;
    case m::kDeltaPos:
      result = SetPosition(static_cast<long long>(position_) + wInt, host);
      return true;
    case m::kSetStep:
      result = step_;
      step_ = wInt;
      return true;
    case m::kStepIt: {
      long long next = static_cast<long long>(position_) + step_;
      if (next < minimum_) {
        next = maximum_ - (minimum_ - next);
      } else if (next > maximum_) {
        next = minimum_ + (next - maximum_);
      }
      result = SetPosition(next, host);
      return true;
    }
    case m::kGetRange:
      if (lParam != 0) {
        auto* range = reinterpret_cast<ProgressRange*>(lParam);
        range->low = minimum_;
        range->high = maximum_;
      }
      result = wParam != 0 ? minimum_ : maximum_;
      return true;
    case m::kGetPos:
      result = position_;
      return true;
    case m::kSetBarColor:
      host.RedrawNow();
      result = ColourResult(barColour_);
      barColour_ = ColourParam(lParam);
      return true;
    case m::kSetBkColor:
      host.RedrawNow();
      result = ColourResult(backgroundColour_);
      backgroundColour_ = ColourParam(lParam);
      return true;
    case m::kGetBarColor:
      result = ColourResult(BarColour(host));
      return true;
    case m::kGetBkColor:
      result = ColourResult(BackgroundColour(host));
      return true;
    case m::kSetMarquee:
      host.RedrawNow();
      optionFlag_ = 0;
      if (wParam != 0) {
        host.SetMarqueeStyle(true);
        host.StartTimer(static_cast<unsigned>(lParam));
      } else {
        host.StopTimer();
        host.SetMarqueeStyle(false);
      }
      result = static_cast<std::intptr_t>(wParam);
      return true;
    case m::kSetExtraColour1:
      host.RedrawNow();
      result = ColourResult(extraColour1_);
      extraColour1_ = ColourParam(lParam);
      return true;
    case m::kGetExtraColour1:
      result = ColourResult(Resolve(extraColour1_, kSysColourWindowText, host));
      return true;
    case m::kSetExtraColour2:
      host.RedrawNow();
      result = ColourResult(extraColour2_);
      extraColour2_ = ColourParam(lParam);
      return true;
    case m::kGetExtraColour2:
      result = ColourResult(Resolve(extraColour2_, kSysColourWindow, host));
      return true;
    case m::kSetOptionFlag:
      host.RedrawNow();
      result = optionFlag_;
      optionFlag_ = wInt;
      return true;
    case m::kSetExtraValue:
      host.RedrawNow();
      result = extraValue_;
      extraValue_ = wInt;
      return true;
    case m::kSetMarqueeLength:
      host.RedrawNow();
      marqueeLength_ = wInt;
      result = static_cast<std::intptr_t>(wParam);
      return true;
    default:
      return false;
  }
}

void ProgressModel::Tick(ProgressHost& host) {
  const int p = position_;
  int direction = g_marqueeDirection.load();
  if (direction == 1 && p >= ExtendedMaximum()) {
    direction = -1;
  } else if (direction == -1 && p <= minimum_) {
    direction = 1;
  }
  g_marqueeDirection.store(direction);
  SetPosition(static_cast<long long>(p) + direction, host);
}

std::vector<ProgressFill> ProgressModel::Fills(const PaintRect& client, bool vertical,
                                               bool marquee) const {
  std::vector<ProgressFill> fills;
  if (minimum_ >= maximum_) return fills;
  const double fraction =
      (static_cast<double>(position_) - minimum_) / (static_cast<double>(maximum_) - minimum_);
  const long long width = client.right - client.left;
  const long long height = client.bottom - client.top;
  // Lengths are worked out in 64 bits and kept within the client rectangle.
  auto clampX = [&](long long x) {
    return static_cast<int>(std::clamp<long long>(x, client.left, client.right));
  };
  auto clampY = [&](long long y) {
    return static_cast<int>(std::clamp<long long>(y, client.top, client.bottom));
  };
  auto add = [&](int left, int top, int right, int bottom, bool bar) {
    if (left < right && top < bottom) fills.push_back({{left, top, right, bottom}, bar});
  };

  if (!vertical) {
    const long long end = client.left + static_cast<long long>(ClampToInt(width * fraction));
    const long long start =
        marquee ? end - (static_cast<long long>(marqueeLength_) * width + 50) / 100 : client.left;
    const int blockLeft = clampX(start);
    const int blockRight = clampX(end);
    add(client.left, client.top, blockLeft, client.bottom, false);
    add(blockLeft, client.top, blockRight, client.bottom, true);
    add(blockRight, client.top, client.right, client.bottom, false);
  } else {
    const long long top = client.bottom - static_cast<long long>(ClampToInt(height * fraction));
    const long long bottom =
        marquee ? top + (static_cast<long long>(marqueeLength_) * height + 50) / 100
                : client.bottom;
    const int blockTop = clampY(top);
    const int blockBottom = clampY(bottom);
    add(client.left, blockBottom, client.right, client.bottom, false);
    add(client.left, blockTop, client.right, blockBottom, true);
    add(client.left, client.top, client.right, blockTop, false);
  }
  return fills;
}

}  // namespace zefo
