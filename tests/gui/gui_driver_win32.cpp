#include "tests/gui/gui_driver_win32.h"

#include <commctrl.h>

#include <thread>

namespace zefo::testing::gui {
namespace {

using namespace std::chrono_literals;

constexpr UINT kAnswerLimitMs = 5000;
constexpr int kProgressId = 1002;
constexpr int kStatusId = 1003;
constexpr int kMessageLineId = 1040;

struct Search {
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->windows.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  return TRUE;
}

// One absolute pointer move, in the normalised units of SendInput.
void MovePointer(POINT to) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  // Rounded up, so that the platform's truncation lands on the pixel itself.
  input.mi.dx = static_cast<LONG>((to.x * 65536LL + width - 1) / width);
  input.mi.dy = static_cast<LONG>((to.y * 65536LL + height - 1) / height);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

void Button(DWORD flag) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof input);
}

bool PointerAt(POINT target) {
  return WaitUntil(
      [&] {
        POINT now{};
        return GetCursorPos(&now) && now.x == target.x && now.y == target.y;
      },
      2s);
}

}  // namespace

bool CanMakeWindows() {
  const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    std::this_thread::sleep_for(15ms);
  }
  return true;
}

std::vector<HWND> TopLevelWindows(DWORD processId) {
  Search search{processId, {}};
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

HWND WaitForWindow(DWORD processId, const std::function<bool(HWND)>& matches, std::chrono::milliseconds limit) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(processId)) {
          if (matches(window)) {
            found = window;
            return true;
          }
        }
        return false;
      },
      limit);
  return found;
}

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

bool IsMainWindow(HWND window) { return Control(window, kProgressId) != nullptr; }

bool IsMessageBox(HWND window) { return Control(window, kMessageLineId) != nullptr; }

bool IsAboutBox(HWND window) {
  return Control(window, IDOK) != nullptr && !IsMainWindow(window) && !IsMessageBox(window);
}

bool IsMigrationDialog(HWND window) {
  return Control(window, kStatusId) != nullptr && Control(window, IDOK) != nullptr && !IsMainWindow(window);
}

std::wstring Text(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           kAnswerLimitMs, &copied)) {
    return {};
  }
  text.resize(copied);
  return text;
}

std::vector<std::wstring> ChildTexts(HWND dialog) {
  std::vector<HWND> children;
  EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
  std::vector<std::wstring> texts;
  for (HWND child : children) texts.push_back(Text(child));
  return texts;
}

bool IsShown(HWND window) { return window != nullptr && IsWindowVisible(window); }

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT RectInParent(HWND control) {
  RECT rect = ScreenRect(control);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::optional<ProgressState> Progress(HWND bar) {
  DWORD_PTR position = 0;
  DWORD_PTR minimum = 0;
  DWORD_PTR maximum = 0;
  // PBM_GETRANGE without a record answers the minimum (wParam set) or the maximum.
  if (!SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &position) ||
      !SendMessageTimeoutW(bar, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &minimum) ||
      !SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &maximum)) {
    return std::nullopt;
  }
  return ProgressState{static_cast<int>(position), static_cast<int>(minimum), static_cast<int>(maximum)};
}

bool MovePointerTo(POINT screenPoint) {
  MovePointer(screenPoint);
  return PointerAt(screenPoint);
}

bool PointAt(HWND control) {
  const RECT rect = ScreenRect(control);
  const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  // Enter from beside the middle, so that the control sees the pointer move in.
  return MovePointerTo({middle.x - 3, middle.y}) && MovePointerTo(middle);
}

// The queue keeps the order: a press and a release reach the window the
// pointer is over (or the one that captured it).
void PressLeftButton() { Button(MOUSEEVENTF_LEFTDOWN); }
void ReleaseLeftButton() { Button(MOUSEEVENTF_LEFTUP); }

bool Click(HWND control) {
  if (!PointAt(control)) return false;
  PressLeftButton();
  ReleaseLeftButton();
  return true;
}

void ParkPointer() { MovePointerTo({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}); }

}  // namespace zefo::testing::gui
