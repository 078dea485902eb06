// The pointer rules of the image button, free of any window system: what a
// button press, release, move or leave does to the button's state, what it
// repaints, what it tells its parent and when it reports a click.
#pragma once

#include <array>

namespace zefo {

enum class ButtonState { kNormal = 0, kHover = 1, kPressed = 2 };

enum class Invalidate { kNone, kErase, kNoErase };

struct ButtonReaction {
  bool capture = false;
  bool releaseCapture = false;
  Invalidate invalidate = Invalidate::kNone;
  const wchar_t* parentText = nullptr;  // null: leave the parent's text alone
  bool click = false;                   // send WM_COMMAND/BN_CLICKED to the parent
  bool entered = false;                 // the pointer is over the button: ask for the leave notice
};

inline constexpr wchar_t kParentTextHover[] = L"END HOVER";
inline constexpr wchar_t kParentTextNormal[] = L"END NORMAL";

class ImageButtonPointer {
 public:
  ButtonReaction ButtonDown();
  // (x, y) in client coordinates; width and height of the client rectangle.
  ButtonReaction ButtonUp(int x, int y, int width, int height);
  // The pointer left the button; ignored while the button is held down.
  ButtonReaction Leave();
  // (x, y) in client coordinates; width and height of the window rectangle.
  ButtonReaction Move(int x, int y, int width, int height);

  ButtonState state() const { return state_; }
  ButtonState previous() const { return previous_; }
  // Pressed and not yet released (possibly dragged off the button).
  bool held() const {
    return state_ == ButtonState::kPressed ||
           (state_ == ButtonState::kHover && previous_ == ButtonState::kPressed);
  }

 private:
  void Become(ButtonState next) {
    previous_ = state_;
    state_ = next;
  }

  ButtonState state_ = ButtonState::kNormal;
  ButtonState previous_ = ButtonState::kNormal;
};

// Picture slots: normal, hover, pressed, fourth.
constexpr int kButtonPictureSlots = 4;

// The resource ids to load, in slot order; a fourth id of -1 repeats the normal one.
std::array<int, kButtonPictureSlots> ButtonPictureIds(int normalId, int hoverId, int pressedId,
                                                      int fourthId);

// Which picture (index into the id list) fills each slot when only the
// pictures marked in `loaded` could be read: the ones after a missing
// picture move up one slot each. -1 marks a slot left empty.
std::array<int, kButtonPictureSlots> AssignPictureSlots(
    const std::array<bool, kButtonPictureSlots>& loaded);

}  // namespace zefo
