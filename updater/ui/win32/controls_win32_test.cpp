// The skinned controls in real windows: decoding from resources, the button
// driven by mouse messages, and what the controls paint (WM_PRINTCLIENT into
// a DIB, so no screen is read).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "updater/ui/color_static_model.h"
#include "updater/ui/win32/color_static_win32.h"
#include "updater/ui/win32/gdi_objects_win32.h"
#include "updater/ui/win32/image_button_win32.h"
#include "updater/ui/win32/image_loader_win32.h"
#include "updater/ui/win32/mem_dc_win32.h"
#include "updater/ui/win32/text_progress_ctrl_win32.h"

namespace zefo::win32 {
namespace {

constexpr int kButtonId = 1000;
constexpr int kProgressId = 1002;
constexpr int kStatusId = 1003;

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};
std::ostream& operator<<(std::ostream& out, const Bgr& c) {
  return out << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}
Bgr FromColorRef(COLORREF c) { return {GetBValue(c), GetGValue(c), GetRValue(c)}; }

// A 32-bit top-down DIB selected into a memory context: what a control
// paints into it can be read back pixel by pixel.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), dc_(nullptr) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const std::uint8_t*>(bits);
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    Brush fill(CreateSolidBrush(RGB(1, 2, 3)));
    RECT all{0, 0, width, height};
    FillRect(dc_.get(), &all, fill.get());
  }
  ~Canvas() { SelectObject(dc_.get(), previous_); }
  HDC dc() const { return dc_.get(); }
  void PrintClientOf(HWND window) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc()), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
  }
  Bgr At(int x, int y) const {
    const std::uint8_t* p = bits_ + (static_cast<std::size_t>(y) * width_ + x) * 4;
    return {p[0], p[1], p[2]};
  }
  // Pixels that are nearly white, and the mean x and y of them.
  int WhiteCount(double* meanX = nullptr, double* meanY = nullptr) const {
    int count = 0;
    double sx = 0, sy = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const Bgr c = At(x, y);
        if (c.r > 200 && c.g > 200 && c.b > 200) {
          ++count;
          sx += x;
          sy += y;
        }
      }
    }
    if (count > 0 && meanX) *meanX = sx / count;
    if (count > 0 && meanY) *meanY = sy / count;
    return count;
  }

 private:
  int width_, height_;
  MemoryDc dc_;
  Bitmap bitmap_;
  const std::uint8_t* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A top-level window holding the three kinds of child control, recording
// the click notifications it gets.
class TestWindow {
 public:
  // Only the pointer tests need the window on screen (the platform finds
  // the window under the pointer); mapping one costs Wine a moment.
  explicit TestWindow(bool visible = false) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &TestWindow::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZefoControlsTest";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&windowClass);
    hwnd = CreateWindowExW(0, L"ZefoControlsTest", L"controls", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 400, 200,
                           nullptr, nullptr, GetModuleHandleW(nullptr), this);
    Child(L"BUTTON", L"", BS_PUSHBUTTON, 10, 10, 94, 34, kButtonId);
    Child(PROGRESS_CLASSW, L"", 0, 10, 60, 200, 20, kProgressId);
    Child(L"STATIC", L"", SS_LEFT, 10, 100, 300, 20, kStatusId);
  }
  ~TestWindow() { DestroyWindow(hwnd); }

  std::wstring Text() const {
    wchar_t buffer[64] = {};
    GetWindowTextW(hwnd, buffer, 64);
    return buffer;
  }

  HWND hwnd = nullptr;
  int clicks = 0;
  WPARAM lastCommand = 0;
  LPARAM lastSender = 0;

 private:
  void Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_COMMAND && self != nullptr && LOWORD(wParam) == kButtonId) {
      ++self->clicks;
      self->lastCommand = wParam;
      self->lastSender = lParam;
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

Bgr DibPixel(HBITMAP bitmap, int x, int y) {
  DIBSECTION section{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
  const int row = section.dsBmih.biHeight > 0 ? section.dsBm.bmHeight - 1 - y : y;
  const std::uint8_t* p = bits + static_cast<std::size_t>(row) * section.dsBm.bmWidthBytes + x * 3;
  return {p[0], p[1], p[2]};
}

TEST(ImageLoader, DecodesAndBlendsAPngResourceIntoADibSection) {
  ImageLoader loader;
  LoadedBitmap start = loader.Load(131, ImageLoader::kPng).TakeBitmap();
  ASSERT_NE(start.bitmap, nullptr);
  Bitmap owned(start.bitmap);
  EXPECT_EQ(start.width, 94);
  EXPECT_EQ(start.height, 34);
  // Fill RGB(29, 87, 254) at alpha 128 and border RGB(8, 81, 215) opaque, onto black.
  EXPECT_EQ(DibPixel(start.bitmap, 47, 17), (Bgr{127, 43, 14}));
  EXPECT_EQ(DibPixel(start.bitmap, 0, 0), (Bgr{214, 80, 7}));
  EXPECT_EQ(DibPixel(start.bitmap, 93, 33), (Bgr{214, 80, 7}));
  // Taken once: the loader is empty afterwards.
  LoadedBitmap again = loader.TakeBitmap();
  EXPECT_EQ(again.bitmap, nullptr);
  EXPECT_EQ(again.width, 0);

  LoadedBitmap exit = ImageLoader().Load(134, ImageLoader::kPng).TakeBitmap();
  ASSERT_NE(exit.bitmap, nullptr);
  Bitmap ownedExit(exit.bitmap);
  EXPECT_EQ(exit.width, 20);
  EXPECT_EQ(DibPixel(exit.bitmap, 0, 0), (Bgr{38, 37, 36}));  // RGB pictures keep their pixels
}

TEST(ImageLoader, AnythingThatDoesNotLoadGivesANullBitmap) {
  struct Case {
    const char* name;
    WORD id;
    int type;
  };
  const Case cases[] = {
      {"missing id", 999, ImageLoader::kPng},
      {"not a PNG", 200, ImageLoader::kPng},
      {"unknown type code", 131, 7},
      {"type without a decoder", 300, ImageLoader::kGif},
      {"present, but looked up under another type", 131, ImageLoader::kJpeg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedBitmap result = ImageLoader().Load(c.id, c.type).TakeBitmap();
    EXPECT_EQ(result.bitmap, nullptr);
    EXPECT_EQ(result.width, 0);
    EXPECT_EQ(result.height, 0);
  }
}

template <bool kOnScreen>
class ButtonFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(button.SubclassDlgItem(kButtonId, window.hwnd));
    button.SetText(L"Start", 16);
  }
  void Send(UINT message, int x, int y, WPARAM keys = 0) {
    SendMessageW(button.hwnd(), message, keys, MAKELPARAM(x, y));
  }
  Bgr CentreAfterPaint() {
    Canvas canvas(94, 34);
    canvas.PrintClientOf(button.hwnd());
    return canvas.At(5, 17);  // inside the fill, left of the label
  }

  TestWindow window{kOnScreen};
  CImageButton button{131, 132, 133, 130};
};
using ButtonTest = ButtonFixture<false>;
using PointerTest = ButtonFixture<true>;  // for the real pointer's leave notices

TEST_F(ButtonTest, OneClickPerPressAndReleaseOverIt) {
  EXPECT_EQ(button.imageWidth, 94);
  EXPECT_EQ(button.imageHeight, 34);
  Send(WM_MOUSEMOVE, 10, 10);
  EXPECT_EQ(window.Text(), L"END HOVER");
  EXPECT_EQ(button.state(), ButtonState::kHover);
  Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  EXPECT_EQ(button.state(), ButtonState::kPressed);
  EXPECT_EQ(GetCapture(), button.hwnd());
  Send(WM_LBUTTONUP, 10, 10);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(button.state(), ButtonState::kNormal);
  Pump();
  EXPECT_EQ(window.clicks, 1);
  EXPECT_EQ(window.lastCommand, MAKEWPARAM(kButtonId, BN_CLICKED));
  EXPECT_EQ(window.lastSender, reinterpret_cast<LPARAM>(button.hwnd()));
  EXPECT_EQ(window.Text(), L"END HOVER");  // kept until something else sets it
}

TEST_F(ButtonTest, DraggingOffAndBackDecidesTheClick) {
  // Off and released outside: no click.
  Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 300, 10, MK_LBUTTON);
  EXPECT_EQ(button.state(), ButtonState::kHover);
  Send(WM_LBUTTONUP, 300, 10);
  EXPECT_EQ(button.state(), ButtonState::kNormal);
  EXPECT_EQ(window.clicks, 0);
  // Off, back on, released over it: one click.
  Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 300, 10, MK_LBUTTON);
  Send(WM_MOUSEMOVE, 20, 10, MK_LBUTTON);
  Send(WM_LBUTTONUP, 20, 10);
  Pump();
  EXPECT_EQ(window.clicks, 1);
}

TEST_F(ButtonTest, PaintsThePictureOfTheStateAndTheLabelCentred) {
  // Each state's fill blended onto black.
  EXPECT_EQ(CentreAfterPaint(), (Bgr{127, 43, 14}));  // normal: RGB(29, 87, 254) @ 128
  Send(WM_MOUSEMOVE, 10, 10);
  EXPECT_EQ(CentreAfterPaint(), (Bgr{91, 31, 10}));   // hover: @ 92
  Send(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  EXPECT_EQ(CentreAfterPaint(), (Bgr{63, 22, 7}));    // pressed: RGB(15, 44, 127) @ 128
  Send(WM_LBUTTONUP, 300, 300);

  Canvas canvas(94, 34);
  canvas.PrintClientOf(button.hwnd());
  double x = 0, y = 0;
  EXPECT_GT(canvas.WhiteCount(&x, &y), 20);
  EXPECT_NEAR(x, 47, 3);
  EXPECT_NEAR(y, 17, 3);
}

TEST_F(PointerTest, TheNormalPictureReturnsWhenThePointerLeaves) {
  RECT rect;
  GetWindowRect(button.hwnd(), &rect);
  SetCursorPos(rect.left + 5, rect.top + 5);
  Send(WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(button.state(), ButtonState::kHover);
  SetCursorPos(rect.right + 200, rect.bottom + 100);
  for (int i = 0; i < 50 && button.state() != ButtonState::kNormal; ++i) {
    Pump();
    Sleep(20);
  }
  EXPECT_EQ(button.state(), ButtonState::kNormal);
}

TEST_F(PointerTest, ALeaveNoticeWhileHeldDoesNotLoseTheClick) {
  RECT rect;
  GetWindowRect(button.hwnd(), &rect);
  SetCursorPos(rect.left + 5, rect.top + 5);
  Send(WM_MOUSEMOVE, 5, 5);
  Send(WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  SetCursorPos(rect.right + 200, rect.bottom + 100);
  Send(WM_MOUSEMOVE, 300, 10, MK_LBUTTON);
  for (int i = 0; i < 10; ++i) {  // time for a leave notice to arrive
    Pump();
    Sleep(20);
  }
  SetCursorPos(rect.left + 5, rect.top + 5);
  Send(WM_MOUSEMOVE, 5, 5, MK_LBUTTON);
  Send(WM_LBUTTONUP, 5, 5);
  Pump();
  EXPECT_EQ(window.clicks, 1);
}

TEST(ImageButton, AMissingPictureLetsTheOthersMoveUp) {
  TestWindow window;
  CImageButton button(131, 999, 133, -1);  // no hover picture
  ASSERT_TRUE(button.SubclassDlgItem(kButtonId, window.hwnd));
  EXPECT_EQ(button.imageWidth, 94);
  SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  Canvas hover(94, 34);
  hover.PrintClientOf(button.hwnd());
  EXPECT_EQ(hover.At(5, 17), (Bgr{63, 22, 7}));  // the pressed picture
  SendMessageW(button.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  Canvas pressed(94, 34);
  pressed.PrintClientOf(button.hwnd());
  EXPECT_EQ(pressed.At(5, 17), (Bgr{127, 43, 14}));  // the fourth: normal again
  SendMessageW(button.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
}

class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(progress.SubclassDlgItem(kProgressId, window.hwnd));
    hwnd = progress.hwnd();
  }
  LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(hwnd, message, w, l); }

  TestWindow window;
  CTextProgressCtrl progress;
  HWND hwnd = nullptr;
};

TEST_F(ProgressTest, AnswersTheProgressMessages) {
  EXPECT_EQ(Send(PBM_SETRANGE, 0, MAKELPARAM(0, 40000)), MAKELRESULT(0, 100));
  EXPECT_EQ(Send(PBM_GETRANGE, FALSE), 40000);
  PBRANGE range{};
  EXPECT_EQ(Send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
  EXPECT_EQ(range.iHigh, 40000);
  Send(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  EXPECT_EQ(Send(PBM_SETPOS, 95), 0);
  EXPECT_EQ(Send(PBM_STEPIT), 95);
  EXPECT_EQ(Send(PBM_GETPOS), 5);
  EXPECT_EQ(Send(PBM_SETPOS, 500), 5);
  EXPECT_EQ(Send(PBM_GETPOS), 100);
  EXPECT_EQ(Send(PBM_DELTAPOS, static_cast<WPARAM>(-150)), 100);
  EXPECT_EQ(Send(PBM_GETPOS), 0);
  EXPECT_EQ(Send(PBM_SETSTEP, 3), 10);
  EXPECT_EQ(static_cast<COLORREF>(Send(PBM_GETBARCOLOR)), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(static_cast<COLORREF>(Send(PBM_SETBARCOLOR, 0, RGB(241, 152, 31))), CLR_DEFAULT);
  EXPECT_EQ(static_cast<COLORREF>(Send(PBM_GETBARCOLOR)), RGB(241, 152, 31));
  EXPECT_EQ(static_cast<COLORREF>(Send(PBM_SETBKCOLOR, 0, RGB(66, 66, 66))), CLR_DEFAULT);
  EXPECT_EQ(static_cast<COLORREF>(Send(PBM_GETBKCOLOR)), RGB(66, 66, 66));
}

TEST_F(ProgressTest, MarqueeStartsTheTimerAndStretchesTheRange) {
  Send(WM_USER + 108, 20);
  EXPECT_EQ(Send(PBM_SETMARQUEE, TRUE, 10), TRUE);
  EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & PBS_MARQUEE);
  Send(PBM_SETPOS, 1000);
  EXPECT_EQ(Send(PBM_GETPOS), 120);
  // The timer moves the block: it bounces back from the end.
  for (int i = 0; i < 100 && Send(PBM_GETPOS) == 120; ++i) {
    Pump();
    Sleep(10);
  }
  EXPECT_LT(Send(PBM_GETPOS), 120);
  EXPECT_EQ(Send(PBM_SETMARQUEE, FALSE, 0), FALSE);
  EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & PBS_MARQUEE);
  Send(PBM_SETPOS, 1000);
  EXPECT_EQ(Send(PBM_GETPOS), 100);
}

TEST_F(ProgressTest, PaintsABarOverTheBackgroundWithTheTextCentred) {
  Send(PBM_SETBKCOLOR, 0, RGB(66, 66, 66));
  Send(PBM_SETBARCOLOR, 0, RGB(241, 152, 31));
  Send(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  Send(PBM_SETPOS, 50);
  progress.SetTextFont(15, 700);
  progress.SetProgressText(L"50%");

  Canvas plain(200, 20);
  plain.PrintClientOf(hwnd);
  EXPECT_EQ(plain.At(0, 0), FromColorRef(RGB(241, 152, 31)));
  EXPECT_EQ(plain.At(99, 19), FromColorRef(RGB(241, 152, 31)));
  EXPECT_EQ(plain.At(100, 0), FromColorRef(RGB(66, 66, 66)));
  EXPECT_EQ(plain.At(199, 19), FromColorRef(RGB(66, 66, 66)));
  EXPECT_EQ(plain.WhiteCount(), 0);  // showText is off

  progress.showText = true;
  Canvas withText(200, 20);
  withText.PrintClientOf(hwnd);
  double x = 0, y = 0;
  EXPECT_GT(withText.WhiteCount(&x, &y), 15);
  EXPECT_NEAR(x, 100, 4);
  EXPECT_NEAR(y, 10, 3);
  EXPECT_EQ(withText.At(2, 2), FromColorRef(RGB(241, 152, 31)));
  EXPECT_EQ(withText.At(197, 17), FromColorRef(RGB(66, 66, 66)));
}

TEST_F(ProgressTest, AnEmptyRangeDrawsNothing) {
  Send(PBM_SETRANGE32, 5, 5);
  Canvas canvas(200, 20);
  canvas.PrintClientOf(hwnd);
  EXPECT_EQ(canvas.At(50, 10), (Bgr{3, 2, 1}));  // the canvas as it was
  // The pending paint is completed, so the window does not ask again.
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
  EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
}

TEST(ColorStatic, ColoursFontAndText) {
  TestWindow window;
  CXColorStatic status;
  ASSERT_TRUE(status.SubclassDlgItem(kStatusId, window.hwnd));
  status.SetForegroundColor(RGB(255, 255, 255), false);
  status.SetFillColor(RGB(0, 0, 0), false);
  status.SetBoldWeight(false, false);
  status.SetFontFace(L"Tahoma", 11, false);
  status.SetWindowText(L"Update\t Checking ...");

  LOGFONTW font{};
  ASSERT_NE(GetObjectW(status.font(), sizeof font, &font), 0);
  MemoryDc display = MemoryDc::Adopt(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
  EXPECT_EQ(font.lfHeight, FontHeightFromPoints(11, GetDeviceCaps(display.get(), LOGPIXELSY)));
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  EXPECT_STREQ(font.lfFaceName, L"Tahoma");

  Canvas canvas(300, 20);
  canvas.PrintClientOf(status.hwnd());
  EXPECT_EQ(canvas.At(299, 19), (Bgr{0, 0, 0}));  // the fill, not the canvas
  double x = 0;
  EXPECT_GT(canvas.WhiteCount(&x), 10);
  EXPECT_LT(x, 150);  // left aligned

  // Bold from the window font: the face set before is gone.
  status.SetBoldWeight(true, false);
  ASSERT_NE(GetObjectW(status.font(), sizeof font, &font), 0);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  LOGFONTW windowFont{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof windowFont, &windowFont);
  EXPECT_STREQ(font.lfFaceName, windowFont.lfFaceName);
  EXPECT_EQ(font.lfHeight, windowFont.lfHeight);
}

// The WM_PAINT path as the screen shows it: each control paints through
// BeginPaint (the progress bar through CMemDC2 on the window's context).
TEST(OnScreen, ControlsPaintThemselvesWhenShown) {
  SetCursorPos(700, 600);  // off the window: the button stays normal
  TestWindow window(true);
  CImageButton button(131, 132, 133, 130);
  CTextProgressCtrl progress;
  CXColorStatic status;
  ASSERT_TRUE(button.SubclassDlgItem(kButtonId, window.hwnd));
  ASSERT_TRUE(progress.SubclassDlgItem(kProgressId, window.hwnd));
  ASSERT_TRUE(status.SubclassDlgItem(kStatusId, window.hwnd));
  SendMessageW(progress.hwnd(), PBM_SETBKCOLOR, 0, RGB(66, 66, 66));
  SendMessageW(progress.hwnd(), PBM_SETBARCOLOR, 0, RGB(241, 152, 31));
  SendMessageW(progress.hwnd(), PBM_SETPOS, 25, 0);
  status.SetFillColor(RGB(0, 0, 128));
  status.SetWindowText(L"status");
  RedrawWindow(window.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();

  Canvas screen(400, 200);
  {
    WindowDc source(window.hwnd);
    BitBlt(screen.dc(), 0, 0, 400, 200, source.get(), 0, 0, SRCCOPY);
    GdiFlush();
  }
  EXPECT_EQ(screen.At(10 + 5, 10 + 17), (Bgr{127, 43, 14}));                 // button, normal
  EXPECT_EQ(screen.At(10 + 20, 60 + 10), FromColorRef(RGB(241, 152, 31)));   // bar: a quarter of 200
  EXPECT_EQ(screen.At(10 + 60, 60 + 10), FromColorRef(RGB(66, 66, 66)));     // background
  EXPECT_EQ(screen.At(10 + 290, 100 + 15), (Bgr{128, 0, 0}));               // static's fill
}

TEST(MemDc, CopiesToTheTargetWhenItEnds) {
  Canvas canvas(40, 20);
  const RECT part{10, 5, 30, 15};
  {
    CMemDC2 memory(canvas.dc(), &part);
    Brush red(CreateSolidBrush(RGB(200, 0, 0)));
    const RECT inner{12, 6, 20, 10};
    FillRect(memory.dc(), &inner, red.get());
    EXPECT_EQ(canvas.At(15, 8), (Bgr{3, 2, 1}));  // nothing shows before the end
  }
  EXPECT_EQ(canvas.At(15, 8), (Bgr{0, 0, 200}));
  EXPECT_EQ(canvas.At(25, 12), FromColorRef(GetBkColor(canvas.dc())));  // the background fill
  EXPECT_EQ(canvas.At(5, 5), (Bgr{3, 2, 1}));  // outside the rectangle: untouched
}

}  // namespace
}  // namespace zefo::win32
