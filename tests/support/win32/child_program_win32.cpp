#include "tests/support/child_program.h"

#include <windows.h>

#include <stdexcept>

#include "tests/support/win32/kernel_handle_win32.h"

namespace zefo::testing {

struct ChildProgram::Platform {
  KernelHandle process;
  DWORD id = 0;
};

ChildProgram::ChildProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& folder)
    : platform_(std::make_unique<Platform>()) {
  // Arguments are plain words here: no quoting beyond the program's path.
  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  for (const std::string& argument : arguments) {
    if (argument.empty() || argument.find_first_of(" \t\"") != std::string::npos) {
      throw std::invalid_argument("arguments must be single words");
    }
    commandLine += L" " + std::wstring(argument.begin(), argument.end());
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.wstring().c_str(), &startup, &started)) {
    throw std::runtime_error("cannot start " + program.string() + ": error " + std::to_string(GetLastError()));
  }
  const KernelHandle thread(started.hThread);
  platform_->process = KernelHandle(started.hProcess);
  platform_->id = started.dwProcessId;
}

ChildProgram::~ChildProgram() {
  if (Running()) {
    TerminateProcess(platform_->process.get(), 1);
    WaitForSingleObject(platform_->process.get(), INFINITE);
  }
}

unsigned long ChildProgram::id() const { return platform_->id; }

bool ChildProgram::Running() { return !WaitForEnd(std::chrono::milliseconds(0)); }

std::optional<int> ChildProgram::WaitForEnd(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(platform_->process.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(platform_->process.get(), &code);
  return static_cast<int>(code);
}

}  // namespace zefo::testing
