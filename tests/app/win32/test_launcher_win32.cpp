// Windows forms: the named mutex, and a hidden top-level window (broadcasts
// reach top-level windows only) whose thread picks the registered
// "showup_zlauncher" message out of its queue.
#include <windows.h>

#include <string>

#include "tests/app/test_launcher_platform.h"

namespace zefo::testing {
namespace {

constexpr wchar_t kLauncherMutexName[] = L"<<<#$&*#^ &&ZLAuNCHER&& ^%$@#!@>>>";
constexpr wchar_t kWindowClass[] = L"ZefoTestLauncherWindow";

class WindowListener final : public ShowUpListener {
 public:
  WindowListener(HWND window, UINT message) : window_(window), message_(message) {}
  ~WindowListener() override { DestroyWindow(window_); }
  WindowListener(const WindowListener&) = delete;
  WindowListener& operator=(const WindowListener&) = delete;

  std::string Next() override {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      // The thread's other top-level windows (its IME window) get a copy too.
      if (msg.message == message_ && msg.hwnd == window_) {
        return "showup_zlauncher " + std::to_string(static_cast<unsigned long>(msg.wParam)) + " " +
               std::to_string(static_cast<unsigned long>(msg.lParam)) + "\n";
      }
      DispatchMessageW(&msg);
    }
    ExitProcess(0);  // WM_QUIT: ended from outside
  }

 private:
  HWND window_;
  UINT message_;
};

}  // namespace

std::filesystem::path OwnExecutable() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length));
}

long OwnProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool HoldLauncherMutex() {
  // The handle stays open until the process ends: that is what holding means.
  return CreateMutexW(nullptr, FALSE, kLauncherMutexName) != nullptr;
}

std::unique_ptr<ShowUpListener> ListenForShowUp(const std::string& name, std::string* why) {
  const UINT message = RegisterWindowMessageA("showup_zlauncher");
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, kWindowClass, std::wstring(name.begin(), name.end()).c_str(),
                                      WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  if (message == 0 || window == nullptr) {
    *why = "error " + std::to_string(GetLastError());
    return nullptr;
  }
  return std::make_unique<WindowListener>(window, message);
}

void WaitUntilEnded() {
  for (;;) Sleep(INFINITE);
}

}  // namespace zefo::testing
