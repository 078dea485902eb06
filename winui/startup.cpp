#include "winui/startup.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>

namespace zefo::winui {
namespace {

struct LocalFreer {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

}  // namespace

void InitCommonControls() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;
  InitCommonControlsEx(&controls);
}

bool RegisterDialogClass(const wchar_t* name) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW dialogClass{};
  if (GetClassInfoW(instance, L"#32770", &dialogClass) == 0) return false;
  dialogClass.hInstance = instance;
  dialogClass.lpszClassName = name;
  return RegisterClassW(&dialogClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::vector<std::wstring> CommandLineArguments() {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreer> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::wstring> result;
  if (!arguments) return result;
  for (int i = 1; i < count; ++i) result.emplace_back(arguments.get()[i]);
  return result;
}

}  // namespace zefo::winui
