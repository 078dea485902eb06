// The text progress bar's state and its answers to the progress-bar messages
// (the same numbers as Win32's PBM_*), its marquee timer and the rectangles
// its paint fills, free of any window system. The window (win32/) forwards
// messages here and performs what the host calls ask for.
#pragma once

#include <cstdint>
#include <vector>

namespace zefo {

namespace progress_msg {
constexpr std::uint32_t kSetRange = 0x401;    // PBM_SETRANGE
constexpr std::uint32_t kSetPos = 0x402;      // PBM_SETPOS
constexpr std::uint32_t kDeltaPos = 0x403;    // PBM_DELTAPOS
constexpr std::uint32_t kSetStep = 0x404;     // PBM_SETSTEP
constexpr std::uint32_t kStepIt = 0x405;      // PBM_STEPIT
constexpr std::uint32_t kSetRange32 = 0x406;  // PBM_SETRANGE32
constexpr std::uint32_t kGetRange = 0x407;    // PBM_GETRANGE
constexpr std::uint32_t kGetPos = 0x408;      // PBM_GETPOS
constexpr std::uint32_t kSetBarColor = 0x409; // PBM_SETBARCOLOR
constexpr std::uint32_t kSetMarquee = 0x40A;  // PBM_SETMARQUEE
constexpr std::uint32_t kGetBkColor = 0x40E;  // PBM_GETBKCOLOR
constexpr std::uint32_t kGetBarColor = 0x40F; // PBM_GETBARCOLOR
constexpr std::uint32_t kSetBkColor = 0x2001; // PBM_SETBKCOLOR (CCM_SETBKCOLOR)
// Private messages: values kept and returned, nothing else reads them.
constexpr std::uint32_t kSetExtraColour1 = 0x466;
constexpr std::uint32_t kGetExtraColour1 = 0x467;
constexpr std::uint32_t kSetExtraColour2 = 0x468;
constexpr std::uint32_t kGetExtraColour2 = 0x469;
constexpr std::uint32_t kSetOptionFlag = 0x46A;
constexpr std::uint32_t kSetExtraValue = 0x46B;
constexpr std::uint32_t kSetMarqueeLength = 0x46C;  // wParam: block length in percent
}  // namespace progress_msg

constexpr std::uint32_t kColourDefault = 0xFF000000;  // CLR_DEFAULT
// System colour indices (GetSysColor) that stand in for kColourDefault.
constexpr int kSysColourWindow = 5;
constexpr int kSysColourWindowText = 8;
constexpr int kSysColourHighlight = 13;
constexpr int kSysColourButtonFace = 15;

// The layout of Win32's PBRANGE, filled by PBM_GETRANGE.
struct ProgressRange {
  int low;
  int high;
};

// What the model needs of its window.
class ProgressHost {
 public:
  virtual ~ProgressHost() = default;
  // Invalidate, erase and repaint the whole control now.
  virtual void RedrawNow() = 0;
  virtual bool MarqueeStyle() const = 0;
  virtual void SetMarqueeStyle(bool on) = 0;
  virtual void StartTimer(unsigned periodMs) = 0;  // the marquee timer
  virtual void StopTimer() = 0;
  virtual std::uint32_t SystemColour(int index) const = 0;
};

struct PaintRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const PaintRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct ProgressFill {
  PaintRect rect;
  bool bar;  // bar colour; otherwise background colour
};

class ProgressModel {
 public:
  // Answers `message` into `result`; false when it is not one of the
  // progress messages (the window's default processing gets it then).
  bool Handle(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
              ProgressHost& host, std::intptr_t& result);
  // One tick of the marquee timer: one unit towards the end in the shared direction.
  void Tick(ProgressHost& host);

  // The fills of a paint, in drawing order; none when the range is empty.
  std::vector<ProgressFill> Fills(const PaintRect& client, bool vertical, bool marquee) const;

  // The upper position limit in marquee mode: the maximum stretched by the block length.
  int ExtendedMaximum() const;

  int position() const { return position_; }
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  int step() const { return step_; }
  int marqueeLength() const { return marqueeLength_; }
  // Colours as painted: kColourDefault replaced by its system colour.
  std::uint32_t BarColour(const ProgressHost& host) const;
  std::uint32_t BackgroundColour(const ProgressHost& host) const;

  // The marquee direction (+1 or -1), one for every progress bar of the process.
  static int MarqueeDirection();

 private:
  std::intptr_t SetPosition(long long requested, ProgressHost& host);
  std::intptr_t RangeResult() const;

  int optionFlag_ = 1;
  std::uint32_t barColour_ = kColourDefault;
  std::uint32_t backgroundColour_ = kColourDefault;
  std::uint32_t extraColour1_ = kColourDefault;
  std::uint32_t extraColour2_ = kColourDefault;
  int extraValue_ = 2;
  int position_ = 0;
  int step_ = 10;
  int minimum_ = 0;
  int maximum_ = 100;
  int marqueeLength_ = 1;
};

}  // namespace zefo
