#include "updater/ui/image_button_state.h"

namespace zefo {

namespace {

bool Inside(int x, int y, int width, int height) {
  return x >= 0 && x <= width && y >= 0 && y <= height;
}

}  // namespace

ButtonReaction ImageButtonPointer::ButtonDown() {
  Become(ButtonState::kPressed);
  ButtonReaction reaction;
  reaction.capture = true;
  return reaction;
}

ButtonReaction ImageButtonPointer::ButtonUp(int x, int y, int width, int height) {
  Become(ButtonState::kNormal);
  ButtonReaction reaction;
  reaction.releaseCapture = true;
  reaction.invalidate = Invalidate::kErase;
  reaction.click = previous_ == ButtonState::kPressed && Inside(x, y, width, height);
  return reaction;
}

ButtonReaction ImageButtonPointer::Leave() {
  ButtonReaction reaction;
  // Some platforms report the leave while the press holds the capture;
  // taking it would turn a drag back onto the button into no click.
  if (held()) return reaction;
  Become(ButtonState::kNormal);
  reaction.invalidate = Invalidate::kErase;
  return reaction;
}

ButtonReaction ImageButtonPointer::Move(int x, int y, int width, int height) {
  ButtonReaction reaction;
  const bool inside = Inside(x, y, width, height);
  reaction.entered = inside;
  if (state_ == ButtonState::kPressed) {
    // Dragged off while pressed: look hovered until it comes back.
    if (!inside) {
      Become(ButtonState::kHover);
      reaction.invalidate = Invalidate::kNoErase;
    }
  } else if (state_ == ButtonState::kHover && previous_ == ButtonState::kPressed) {
    // Still held after dragging off: pressed again, so a release over the
    // button is still a click.
    Become(ButtonState::kPressed);
  } else if (inside) {
    Become(ButtonState::kHover);
    reaction.parentText = kParentTextHover;
    reaction.invalidate = Invalidate::kNoErase;
  } else {
    Become(ButtonState::kNormal);
    reaction.parentText = kParentTextNormal;
    reaction.invalidate = Invalidate::kNoErase;
  }
  return reaction;
}

std::array<int, kButtonPictureSlots> ButtonPictureIds(int normalId, int hoverId, int pressedId,
                                                      int fourthId) {
  return {normalId, hoverId, pressedId, fourthId == -1 ? normalId : fourthId};
}

std::array<int, kButtonPictureSlots> AssignPictureSlots(
    const std::array<bool, kButtonPictureSlots>& loaded) {
  std::array<int, kButtonPictureSlots> slots{-1, -1, -1, -1};
  int next = 0;
  for (int picture = 0; picture < kButtonPictureSlots; ++picture) {
    if (loaded[picture]) slots[next++] = picture;
  }
  return slots;
}

}  // namespace zefo
