// Works the windows of a program under test from outside, as a user would:
// finds them by their process and their controls, reads texts, positions and
// the progress bar's state, and clicks with the real pointer, so that the
// image buttons' own pointer handling runs (move, press, release).
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zefo::testing::gui {

// Whether this process can make windows. Under Wine the first process that
// needs the desktop decides its display driver for everyone while it lasts:
// one started without the virtual display leaves every window uncreatable.
bool CanMakeWindows();
constexpr char kNoWindowsMessage[] =
    "no window can be made: the Wine desktop runs without a display driver (a process without the "
    "virtual display started it); rerun once it has closed";

// Polls `condition` until it holds; false when `limit` passed first.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// The visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD processId);
// The first visible top-level window of the process that `matches`, waiting
// up to `limit` for one; null when none came.
HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& matches, std::chrono::milliseconds limit);

// The dialogs of the programs, told apart by the controls their templates hold.
bool IsMainWindow(HWND window);     // the progress bar 1002
bool IsMessageBox(HWND window);     // the message line 1040
bool IsAboutBox(HWND window);       // an OK button and neither of the above
bool IsMigrationDialog(HWND window);// the label 1003 and the OK button, no progress bar

HWND Control(HWND dialog, int id);
// WM_GETTEXT, answered by the window's own thread (bounded wait).
std::wstring Text(HWND window);
// The texts of every child window, in z order.
std::vector<std::wstring> ChildTexts(HWND dialog);
bool IsShown(HWND window);
RECT ScreenRect(HWND window);
// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

struct ProgressState {
  int position = 0;
  int minimum = 0;
  int maximum = 0;
};
// What a progress bar answers to PBM_GETPOS and PBM_GETRANGE.
std::optional<ProgressState> Progress(HWND bar);

// Moves the pointer onto the middle of `control` (a move that the control
// sees), presses and releases the left button there. False when the pointer
// did not get there.
bool Click(HWND control);
// The steps of a click, for drags: a move onto the middle of `control`
// (entering from beside it), a move to a screen point, the left button.
bool PointAt(HWND control);
bool MovePointerTo(POINT screenPoint);
void PressLeftButton();
void ReleaseLeftButton();
// Moves the pointer away from every window of interest (the screen's corner).
void ParkPointer();

}  // namespace zefo::testing::gui
