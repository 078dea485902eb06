#include "updater/ui/image_button_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zefo {
namespace {

constexpr int kW = 94;
constexpr int kH = 34;

enum class Ev { kDown, kUp, kLeave, kMove };
struct Step {
  Ev event;
  int x = 10;
  int y = 10;
};

struct Outcome {
  int clicks = 0;
  std::vector<std::wstring> parentTexts;
  ButtonState state = ButtonState::kNormal;
};

Outcome Replay(const std::vector<Step>& steps) {
  ImageButtonPointer button;
  Outcome out;
  for (const Step& s : steps) {
    ButtonReaction r;
    switch (s.event) {
      case Ev::kDown: r = button.ButtonDown(); break;
      case Ev::kUp: r = button.ButtonUp(s.x, s.y, kW, kH); break;
      case Ev::kLeave: r = button.Leave(); break;
      case Ev::kMove: r = button.Move(s.x, s.y, kW, kH); break;
    }
    out.clicks += r.click ? 1 : 0;
    if (r.parentText) out.parentTexts.push_back(r.parentText);
  }
  out.state = button.state();
  return out;
}

const Step kIn{Ev::kMove, 10, 10};
const Step kOut{Ev::kMove, 200, 10};
const Step kDown{Ev::kDown};
const Step kUpIn{Ev::kUp, 10, 10};
const Step kUpOut{Ev::kUp, 200, 10};
const Step kLeave{Ev::kLeave};

TEST(ImageButtonPointer, ClicksAndParentTextOverWholeGestures) {
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int clicks;
    std::vector<std::wstring> texts;
    ButtonState finalState;
  };
  const std::vector<Case> cases = {
      {"hover, press, release over it", {kIn, kDown, kUpIn}, 1, {L"END HOVER"}, ButtonState::kNormal},
      {"press and release without a move", {kDown, kUpIn}, 1, {}, ButtonState::kNormal},
      {"moves while pressed inside change nothing",
       {kIn, kDown, kIn, kIn, kUpIn}, 1, {L"END HOVER"}, ButtonState::kNormal},
      {"drag off and release outside", {kIn, kDown, kOut, kUpOut}, 0, {L"END HOVER"}, ButtonState::kNormal},
      {"drag off, back on, release over it",
       {kIn, kDown, kOut, kIn, kUpIn}, 1, {L"END HOVER"}, ButtonState::kNormal},
      {"drag off with several moves, back, release",
       {kIn, kDown, kOut, kOut, kOut, kIn, kIn, kUpIn}, 1, {L"END HOVER"}, ButtonState::kNormal},
      {"release over it without a press", {kIn, kUpIn}, 0, {L"END HOVER"}, ButtonState::kNormal},
      {"leave while hovering, then release", {kIn, kLeave, kUpIn}, 0, {L"END HOVER"}, ButtonState::kNormal},
      {"each hover move sets the text again",
       {kIn, kIn, kIn}, 0, {L"END HOVER", L"END HOVER", L"END HOVER"}, ButtonState::kHover},
      {"moves outside without a press", {kIn, kOut}, 0, {L"END HOVER", L"END NORMAL"}, ButtonState::kNormal},
      {"a leave while held does not lose the click",
       {kIn, kDown, kLeave, kOut, kLeave, kIn, kUpIn}, 1, {L"END HOVER"}, ButtonState::kNormal},
      {"two presses, two clicks", {kDown, kUpIn, kDown, kUpIn}, 2, {}, ButtonState::kNormal},
      {"edges count as inside",
       {{Ev::kMove, kW, kH}, kDown, {Ev::kUp, kW, kH}}, 1, {L"END HOVER"}, ButtonState::kNormal},
      {"one past the edge is outside", {kDown, {Ev::kUp, kW + 1, 0}}, 0, {}, ButtonState::kNormal},
      {"negative coordinates are outside", {kDown, {Ev::kUp, -1, 5}}, 0, {}, ButtonState::kNormal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome out = Replay(c.steps);
    EXPECT_EQ(out.clicks, c.clicks);
    EXPECT_EQ(out.parentTexts, c.texts);
    EXPECT_EQ(out.state, c.finalState);
  }
}

TEST(ImageButtonPointer, EachEventsStateCaptureAndRepaint) {
  ImageButtonPointer b;
  ButtonReaction r = b.Move(5, 5, kW, kH);
  EXPECT_EQ(b.state(), ButtonState::kHover);
  EXPECT_EQ(r.invalidate, Invalidate::kNoErase);
  EXPECT_TRUE(r.entered);

  r = b.ButtonDown();
  EXPECT_EQ(b.state(), ButtonState::kPressed);
  EXPECT_EQ(b.previous(), ButtonState::kHover);
  EXPECT_TRUE(r.capture);
  EXPECT_EQ(r.invalidate, Invalidate::kNone);  // the default processing repaints

  r = b.Move(500, 5, kW, kH);  // dragged off: hover look
  EXPECT_EQ(b.state(), ButtonState::kHover);
  EXPECT_EQ(b.previous(), ButtonState::kPressed);
  EXPECT_EQ(r.invalidate, Invalidate::kNoErase);
  EXPECT_EQ(r.parentText, nullptr);
  EXPECT_FALSE(r.entered);

  r = b.Move(5, 5, kW, kH);  // still held: pressed again, silently
  EXPECT_EQ(b.state(), ButtonState::kPressed);
  EXPECT_EQ(b.previous(), ButtonState::kHover);
  EXPECT_EQ(r.invalidate, Invalidate::kNone);
  EXPECT_EQ(r.parentText, nullptr);

  r = b.ButtonUp(5, 5, kW, kH);
  EXPECT_EQ(b.state(), ButtonState::kNormal);
  EXPECT_TRUE(r.releaseCapture);
  EXPECT_EQ(r.invalidate, Invalidate::kErase);
  EXPECT_TRUE(r.click);

  b.Move(5, 5, kW, kH);
  r = b.Leave();
  EXPECT_EQ(b.state(), ButtonState::kNormal);
  EXPECT_EQ(b.previous(), ButtonState::kHover);
  EXPECT_EQ(r.invalidate, Invalidate::kErase);
  EXPECT_FALSE(r.click);
}

TEST(ButtonPictures, FourthIdMinusOneRepeatsTheNormalPicture) {
  using Ids = std::array<int, kButtonPictureSlots>;
  EXPECT_EQ(ButtonPictureIds(131, 132, 133, 130), (Ids{131, 132, 133, 130}));
  EXPECT_EQ(ButtonPictureIds(134, 135, 136, -1), (Ids{134, 135, 136, 134}));
}

TEST(ButtonPictures, MissingPicturesLetTheNextOnesMoveUp) {
  using Slots = std::array<int, kButtonPictureSlots>;
  using Loaded = std::array<bool, kButtonPictureSlots>;
  struct Case {
    Loaded loaded;
    Slots slots;
  };
  const Case cases[] = {
      {{true, true, true, true}, {0, 1, 2, 3}},
      // No hover picture: hover shows the pressed one, pressed the fourth.
      {{true, false, true, true}, {0, 2, 3, -1}},
      {{false, true, true, true}, {1, 2, 3, -1}},
      {{true, true, true, false}, {0, 1, 2, -1}},
      {{false, false, false, false}, {-1, -1, -1, -1}},
      {{false, false, false, true}, {3, -1, -1, -1}},
  };
  for (const Case& c : cases) EXPECT_EQ(AssignPictureSlots(c.loaded), c.slots);
}

}  // namespace
}  // namespace zefo
