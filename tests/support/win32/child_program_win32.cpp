#include "tests/support/child_program.h"

#include <windows.h>

#include <stdexcept>

namespace zefo::testing {

struct ChildProgram::Platform {
  PROCESS_INFORMATION process = {};
  ~Platform() {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
};

ChildProgram::ChildProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::filesystem::path& folder)
    : platform_(std::make_unique<Platform>()) {
  // Arguments are plain words here: no quoting beyond the program's path.
  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  for (const std::string& argument : arguments) commandLine += L" " + std::wstring(argument.begin(), argument.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.wstring().c_str(), &startup, &platform_->process)) {
    platform_.reset();
    throw std::runtime_error("cannot start " + program.string() + ": error " + std::to_string(GetLastError()));
  }
}

ChildProgram::~ChildProgram() {
  if (Running()) {
    TerminateProcess(platform_->process.hProcess, 1);
    WaitForSingleObject(platform_->process.hProcess, INFINITE);
  }
}

bool ChildProgram::Running() { return !WaitForEnd(std::chrono::milliseconds(0)); }

std::optional<int> ChildProgram::WaitForEnd(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(platform_->process.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(platform_->process.hProcess, &code);
  return static_cast<int>(code);
}

}  // namespace zefo::testing
