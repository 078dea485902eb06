#include "updater/ui/win32/image_button_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include "updater/ui/win32/image_loader_win32.h"

namespace zefo::win32 {

namespace {

constexpr COLORREF kTransparentColour = RGB(0, 0, 0);
constexpr COLORREF kLabelColour = RGB(255, 255, 255);

}  // namespace

CImageButton::CImageButton(int normalId, int hoverId, int pressedId, int fourthId) {
  const auto ids = ButtonPictureIds(normalId, hoverId, pressedId, fourthId);
  LoadedBitmap loaded[kButtonPictureSlots];
  std::array<bool, kButtonPictureSlots> present{};
  for (int i = 0; i < kButtonPictureSlots; ++i) {
    loaded[i] = ImageLoader().Load(static_cast<WORD>(ids[i]), ImageLoader::kPng).TakeBitmap();
    present[i] = loaded[i].bitmap != nullptr;
    if (present[i]) {
      imageWidth = loaded[i].width;
      imageHeight = loaded[i].height;
    }
  }
  const auto slots = AssignPictureSlots(present);
  for (int slot = 0; slot < kButtonPictureSlots; ++slot) {
    if (slots[slot] >= 0) pictures_[slot].reset(loaded[slots[slot]].bitmap);
  }
}

void CImageButton::OnSubclassed() {
  // Owner-drawn, the platform's button logic never paints a face of its own
  // over the pictures (on focus, default-button or state changes).
  const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
  SetWindowLongW(hwnd_, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CImageButton::SetText(const std::wstring& label, int fontHeight) {
  LOGFONTW description{};
  description.lfHeight = fontHeight;
  description.lfWeight = FW_BOLD;
  lstrcpynW(description.lfFaceName, L"Tahoma", LF_FACESIZE);
  labelFont_.reset(CreateFontIndirectW(&description));
  label_ = label;
}

LRESULT CImageButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PaintDc paint(hwnd_);
      Paint(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_LBUTTONDOWN: {
      Apply(pointer_.ButtonDown());
      const LRESULT result = Default(message, wParam, lParam);
      InvalidateRect(hwnd_, nullptr, FALSE);  // show the pressed picture
      return result;
    }
    case WM_LBUTTONUP: {
      RECT client;
      GetClientRect(hwnd_, &client);
      const ButtonReaction reaction =
          pointer_.ButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), client.right - client.left,
                            client.bottom - client.top);
      // The capture goes first, so the platform's own logic sees no press
      // to complete and reports no click: the one click is sent below.
      Apply(reaction);
      HWND self = hwnd_;
      const LRESULT result = DefSubclassProc(self, message, wParam, lParam);
      if (reaction.click) {
        // The parent may close the window in its handler: nothing after this.
        SendMessageW(GetParent(self), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(self), BN_CLICKED),
                     reinterpret_cast<LPARAM>(self));
      }
      return result;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      Apply(pointer_.Leave());
      return Default(message, wParam, lParam);
    case WM_MOUSEMOVE: {
      RECT window;
      GetWindowRect(hwnd_, &window);
      Apply(pointer_.Move(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), window.right - window.left,
                          window.bottom - window.top));
      return Default(message, wParam, lParam);
    }
    default:
      return Default(message, wParam, lParam);
  }
}

void CImageButton::Apply(const ButtonReaction& reaction) {
  if (reaction.capture) SetCapture(hwnd_);
  if (reaction.releaseCapture) ReleaseCapture();
  if (reaction.entered && !tracking_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  if (reaction.parentText != nullptr) SetWindowTextW(GetParent(hwnd_), reaction.parentText);
  if (reaction.invalidate != Invalidate::kNone) {
    InvalidateRect(hwnd_, nullptr, reaction.invalidate == Invalidate::kErase);
  }
}

void CImageButton::Paint(HDC dc) {
  const Bitmap& picture = pictures_[static_cast<int>(pointer_.state())];
  if (picture) {
    MemoryDc memory(dc);
    BITMAP info{};
    GetObjectW(picture.get(), sizeof info, &info);
    SelectedObject selected(memory.get(), picture.get());
    TransparentBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory.get(), 0, 0, info.bmWidth,
                   info.bmHeight, kTransparentColour);
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  SelectedObject font(dc, labelFont_.get());
  SetTextColor(dc, kLabelColour);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, label_.c_str(), static_cast<int>(label_.size()), &client,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace zefo::win32
