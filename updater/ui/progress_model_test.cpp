#include "updater/ui/progress_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace zefo {
namespace {

namespace m = progress_msg;

class FakeHost : public ProgressHost {
 public:
  void RedrawNow() override {
    ++redraws;
    if (watched) barAtRedraw.push_back(watched->BarColour(*this));
  }
  bool MarqueeStyle() const override { return marquee; }
  void SetMarqueeStyle(bool on) override { marquee = on; }
  void StartTimer(unsigned periodMs) override { timerPeriod = static_cast<int>(periodMs); }
  void StopTimer() override { timerPeriod = -1; }
  std::uint32_t SystemColour(int index) const override { return 0x00AB0000u + index; }

  int redraws = 0;
  bool marquee = false;
  int timerPeriod = -1;
  const ProgressModel* watched = nullptr;
  std::vector<std::uint32_t> barAtRedraw;
};

std::intptr_t Send(ProgressModel& model, FakeHost& host, std::uint32_t msg, std::uintptr_t w = 0,
                   std::intptr_t l = 0) {
  std::intptr_t result = -12345;
  EXPECT_TRUE(model.Handle(msg, w, l, host, result)) << std::hex << msg;
  return result;
}

std::intptr_t Pack(int low, int high) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(high) << 16) |
                                    (static_cast<std::uint32_t>(low) & 0xFFFF));
}

TEST(ProgressModel, EveryMessageOnAFreshBar) {
  struct Case {
    const char* name;
    std::uint32_t msg;
    std::uintptr_t w;
    std::intptr_t l;
    std::uint32_t result;  // as the 32 bits of LRESULT the program sees
    int redraws;
  };
  const std::intptr_t kRed = 0x0000FF;
  const Case cases[] = {
      {"SETRANGE returns old range", m::kSetRange, 0, Pack(5, 50), 100u << 16, 0},
      {"SETRANGE32 returns old range", m::kSetRange32, 5, 50, 100u << 16, 0},
      {"SETPOS returns old position", m::kSetPos, 40, 0, 0, 1},
      {"DELTAPOS returns old position", m::kDeltaPos, 7, 0, 0, 1},
      {"SETSTEP returns old step", m::kSetStep, 3, 0, 10, 0},
      {"STEPIT returns old position", m::kStepIt, 0, 0, 0, 1},
      {"GETRANGE high", m::kGetRange, 0, 0, 100, 0},
      {"GETRANGE low", m::kGetRange, 1, 0, 0, 0},
      {"GETPOS", m::kGetPos, 0, 0, 0, 0},
      {"SETBARCOLOR returns CLR_DEFAULT", m::kSetBarColor, 0, kRed, 0xFF000000, 1},
      {"SETBKCOLOR returns CLR_DEFAULT", m::kSetBkColor, 0, kRed, 0xFF000000, 1},
      {"GETBARCOLOR default is COLOR_HIGHLIGHT", m::kGetBarColor, 0, 0, 0xAB000D, 0},
      {"GETBKCOLOR default is COLOR_BTNFACE", m::kGetBkColor, 0, 0, 0xAB000F, 0},
      {"SETMARQUEE returns wParam", m::kSetMarquee, 1, 30, 1, 1},
      {"extra colour 1 set", m::kSetExtraColour1, 0, kRed, 0xFF000000, 1},
      {"extra colour 1 default is COLOR_WINDOWTEXT", m::kGetExtraColour1, 0, 0, 0xAB0008, 0},
      {"extra colour 2 set", m::kSetExtraColour2, 0, kRed, 0xFF000000, 1},
      {"extra colour 2 default is COLOR_WINDOW", m::kGetExtraColour2, 0, 0, 0xAB0005, 0},
      {"option flag starts at 1", m::kSetOptionFlag, 0, 0, 1, 1},
      {"extra value starts at 2", m::kSetExtraValue, 9, 0, 2, 1},
      {"marquee length returns wParam", m::kSetMarqueeLength, 20, 0, 20, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgressModel model;
    FakeHost host;
    EXPECT_EQ(static_cast<std::uint32_t>(Send(model, host, c.msg, c.w, c.l)), c.result);
    EXPECT_EQ(host.redraws, c.redraws);
  }
}

TEST(ProgressModel, OtherMessagesAreNotAnswered) {
  ProgressModel model;
  FakeHost host;
  std::intptr_t result = 0;
  for (std::uint32_t msg : {0x000Fu /*WM_PAINT*/, 0x40Bu, 0x40Du, 0x465u, 0x46Du}) {
    EXPECT_FALSE(model.Handle(msg, 0, 0, host, result)) << std::hex << msg;
  }
}

TEST(ProgressModel, StoredValuesComeBack) {
  ProgressModel model;
  FakeHost host;
  Send(model, host, m::kSetBarColor, 0, 0x1F98F1);
  Send(model, host, m::kSetBkColor, 0, 0x424242);
  Send(model, host, m::kSetExtraColour1, 0, 0x010203);
  Send(model, host, m::kSetExtraColour2, 0, 0x040506);
  EXPECT_EQ(Send(model, host, m::kGetBarColor), 0x1F98F1);
  EXPECT_EQ(Send(model, host, m::kGetBkColor), 0x424242);
  EXPECT_EQ(Send(model, host, m::kGetExtraColour1), 0x010203);
  EXPECT_EQ(Send(model, host, m::kGetExtraColour2), 0x040506);
  EXPECT_EQ(Send(model, host, m::kSetBarColor, 0, 0), 0x1F98F1);
  EXPECT_EQ(Send(model, host, m::kSetExtraValue, 4), 2);
  EXPECT_EQ(Send(model, host, m::kSetExtraValue, 5), 4);
  EXPECT_EQ(Send(model, host, m::kSetOptionFlag, 0), 1);
  EXPECT_EQ(Send(model, host, m::kSetOptionFlag, 7), 0);
  Send(model, host, m::kSetMarquee, 0, 0);  // clears the option flag
  EXPECT_EQ(Send(model, host, m::kSetOptionFlag, 1), 0);
}

TEST(ProgressModel, ColoursAreStoredAfterTheRedrawSoTheyShowNextTime) {
  ProgressModel model;
  FakeHost host;
  host.watched = &model;
  Send(model, host, m::kSetBarColor, 0, 0x1F98F1);
  Send(model, host, m::kSetBarColor, 0, 0x000001);
  EXPECT_EQ(host.barAtRedraw, (std::vector<std::uint32_t>{0xAB000D, 0x1F98F1}));
  EXPECT_EQ(model.BarColour(host), 0x000001u);
}

TEST(ProgressModel, RangesKeepSixteenBitsUnsignedAndFullIntsIn32) {
  ProgressModel model;
  FakeHost host;
  Send(model, host, m::kSetRange, 0, Pack(0, 40000));
  EXPECT_EQ(model.maximum(), 40000);
  EXPECT_EQ(model.minimum(), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(Send(model, host, m::kSetRange32, -5, 70000)),
            static_cast<std::uint32_t>(40000) << 16);
  ProgressRange range{1, 1};
  EXPECT_EQ(Send(model, host, m::kGetRange, 1, reinterpret_cast<std::intptr_t>(&range)), -5);
  EXPECT_EQ(range.low, -5);
  EXPECT_EQ(range.high, 70000);
  // The old range packs the minimum's low 16 bits only.
  EXPECT_EQ(static_cast<std::uint32_t>(Send(model, host, m::kSetRange, 0, Pack(1, 2))),
            (70000u << 16) | 0xFFFBu);
}

TEST(ProgressModel, PositionsAreClampedToTheRange) {
  struct Case {
    const char* name;
    std::uint32_t msg;
    int start, amount, expected;
  };
  const Case cases[] = {
      {"SETPOS inside", m::kSetPos, 0, 42, 42},
      {"SETPOS above", m::kSetPos, 0, 150, 100},
      {"SETPOS below", m::kSetPos, 50, -3, 0},
      {"DELTAPOS up", m::kDeltaPos, 50, 25, 75},
      {"DELTAPOS above", m::kDeltaPos, 50, 80, 100},
      {"DELTAPOS below", m::kDeltaPos, 50, -80, 0},
      {"DELTAPOS huge stays in range", m::kDeltaPos, 100, INT_MAX, 100},
      {"DELTAPOS huge negative stays in range", m::kDeltaPos, 0, INT_MIN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgressModel model;
    FakeHost host;
    Send(model, host, m::kSetPos, static_cast<std::uintptr_t>(c.start));
    EXPECT_EQ(Send(model, host, c.msg, static_cast<std::uintptr_t>(c.amount)), c.start);
    EXPECT_EQ(Send(model, host, m::kGetPos), c.expected);
  }
}

TEST(ProgressModel, StepItWrapsAroundTheRange) {
  struct Case {
    int min, max, step, start, expected;
  };
  const Case cases[] = {
      {0, 100, 10, 95, 5},    // past the maximum: from the minimum again
      {0, 100, 10, 90, 100},  // exactly the maximum stays
      {0, 100, 10, 0, 10},
      {0, 100, -10, 5, 95},   // below the minimum: down from the maximum
      {10, 20, 4, 19, 13},
      {0, 100, 250, 0, 100},  // wrapped and still beyond: clamped
      {0, 100, INT_MAX, 50, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " step " << c.step << " from " << c.start);
    ProgressModel model;
    FakeHost host;
    Send(model, host, m::kSetRange32, static_cast<std::uintptr_t>(c.min), c.max);
    Send(model, host, m::kSetStep, static_cast<std::uintptr_t>(c.step));
    Send(model, host, m::kSetPos, static_cast<std::uintptr_t>(c.start));
    EXPECT_EQ(Send(model, host, m::kStepIt), c.start);
    EXPECT_EQ(model.position(), c.expected);
  }
}

TEST(ProgressModel, MarqueeTogglesStyleAndTimerAndExtendsTheLimit) {
  ProgressModel model;
  FakeHost host;
  Send(model, host, m::kSetMarqueeLength, 20);
  EXPECT_EQ(model.ExtendedMaximum(), 120);
  Send(model, host, m::kSetMarquee, 1, 40);
  EXPECT_TRUE(host.marquee);
  EXPECT_EQ(host.timerPeriod, 40);
  Send(model, host, m::kSetPos, 200);
  EXPECT_EQ(model.position(), 120);
  Send(model, host, m::kSetMarquee, 0, 0);
  EXPECT_FALSE(host.marquee);
  EXPECT_EQ(host.timerPeriod, -1);
  Send(model, host, m::kSetPos, 200);
  EXPECT_EQ(model.position(), 100);
}

TEST(ProgressModel, ExtendedMaximumRoundsAndSaturates) {
  struct Case {
    int length, maximum, extended;
  };
  const Case cases[] = {{1, 100, 101}, {0, 100, 100}, {1, 150, 151},  // 151.5 + .5 -> 151
                        {50, 3, 4},    {1, INT_MAX, INT_MAX}};        // 4.5 + 0.5 / 100 -> 4
  for (const Case& c : cases) {
    ProgressModel model;
    FakeHost host;
    Send(model, host, m::kSetMarqueeLength, static_cast<std::uintptr_t>(c.length));
    Send(model, host, m::kSetRange32, 0, c.maximum);
    EXPECT_EQ(model.ExtendedMaximum(), c.extended) << c.length << " " << c.maximum;
  }
}

TEST(ProgressModel, MarqueeBouncesWithOneDirectionForAllBars) {
  ProgressModel a, b;
  FakeHost hostA, hostB;
  for (auto* p : {&a, &b}) {
    FakeHost& h = p == &a ? hostA : hostB;
    Send(*p, h, m::kSetRange32, 0, 4);
    Send(*p, h, m::kSetMarquee, 1, 10);  // length 1: extended maximum 4
  }
  // Bring the shared direction to +1 whatever earlier tests left.
  Send(a, hostA, m::kSetPos, 0);
  a.Tick(hostA);
  ASSERT_EQ(ProgressModel::MarqueeDirection(), 1);
  ASSERT_EQ(a.position(), 1);

  Send(b, hostB, m::kSetPos, 2);
  std::vector<int> trail;
  for (int i = 0; i < 5; ++i) {
    a.Tick(hostA);
    trail.push_back(a.position());
  }
  EXPECT_EQ(trail, (std::vector<int>{2, 3, 4, 3, 2}));
  // a turned at its end; b, in the middle, moves down too.
  b.Tick(hostB);
  EXPECT_EQ(b.position(), 1);
  b.Tick(hostB);
  b.Tick(hostB);  // b reaches the minimum and turns both
  EXPECT_EQ(b.position(), 1);
  a.Tick(hostA);
  EXPECT_EQ(a.position(), 3);
}

TEST(ProgressModel, HorizontalFills) {
  const PaintRect client{0, 0, 200, 20};
  struct Case {
    const char* name;
    int position;
    bool marquee;
    int length;
    std::vector<ProgressFill> fills;
  };
  const Case cases[] = {
      {"half", 50, false, 1, {{{0, 0, 100, 20}, true}, {{100, 0, 200, 20}, false}}},
      {"empty", 0, false, 1, {{{0, 0, 200, 20}, false}}},
      {"full", 100, false, 1, {{{0, 0, 200, 20}, true}}},
      {"a third truncates", 33, false, 1, {{{0, 0, 66, 20}, true}, {{66, 0, 200, 20}, false}}},
      {"marquee block in the middle", 50, true, 10,
       {{{0, 0, 80, 20}, false}, {{80, 0, 100, 20}, true}, {{100, 0, 200, 20}, false}}},
      {"marquee block cut at the left", 5, true, 10,
       {{{0, 0, 10, 20}, true}, {{10, 0, 200, 20}, false}}},
      {"marquee block past the right edge", 110, true, 20,
       {{{0, 0, 180, 20}, false}, {{180, 0, 200, 20}, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgressModel model;
    FakeHost host;
    host.marquee = c.marquee;
    Send(model, host, m::kSetMarqueeLength, static_cast<std::uintptr_t>(c.length));
    Send(model, host, m::kSetPos, static_cast<std::uintptr_t>(c.position));
    const auto fills = model.Fills(client, false, c.marquee);
    ASSERT_EQ(fills.size(), c.fills.size());
    for (std::size_t i = 0; i < fills.size(); ++i) {
      EXPECT_EQ(fills[i].rect, c.fills[i].rect) << i;
      EXPECT_EQ(fills[i].bar, c.fills[i].bar) << i;
    }
  }
}

TEST(ProgressModel, VerticalFillsGrowFromTheBottom) {
  const PaintRect client{0, 0, 20, 100};
  ProgressModel model;
  FakeHost host;
  Send(model, host, m::kSetPos, 30);
  auto fills = model.Fills(client, true, false);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].rect, (PaintRect{0, 70, 20, 100}));
  EXPECT_TRUE(fills[0].bar);
  EXPECT_EQ(fills[1].rect, (PaintRect{0, 0, 20, 70}));

  Send(model, host, m::kSetMarqueeLength, 10);
  fills = model.Fills(client, true, true);  // block from 70 down 10 rows
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_EQ(fills[0].rect, (PaintRect{0, 80, 20, 100}));
  EXPECT_FALSE(fills[0].bar);
  EXPECT_EQ(fills[1].rect, (PaintRect{0, 70, 20, 80}));
  EXPECT_TRUE(fills[1].bar);
  EXPECT_EQ(fills[2].rect, (PaintRect{0, 0, 20, 70}));
}

TEST(ProgressModel, EmptyRangeDrawsNothing) {
  ProgressModel model;
  FakeHost host;
  Send(model, host, m::kSetRange32, 5, 5);
  EXPECT_TRUE(model.Fills({0, 0, 100, 10}, false, false).empty());
  Send(model, host, m::kSetRange32, 9, 2);
  EXPECT_TRUE(model.Fills({0, 0, 100, 10}, false, true).empty());
}

}  // namespace
}  // namespace zefo
