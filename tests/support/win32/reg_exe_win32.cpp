#include "tests/support/win32/reg_exe_win32.h"

#include <windows.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "tests/support/test_folders.h"
#include "tests/support/win32/kernel_handle_win32.h"

namespace zefo::testing {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kRunLimitMs = 60000;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Runs `commandLine` with its output in `outputFile`; its exit code.
DWORD Run(std::wstring commandLine, const fs::path& outputFile) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const KernelHandle output(CreateFileW(outputFile.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output) throw std::runtime_error("cannot create " + outputFile.string());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &started)) {
    throw std::runtime_error("cannot run " + Narrow(commandLine) + ": error " + std::to_string(GetLastError()));
  }
  const KernelHandle process(started.hProcess);
  const KernelHandle thread(started.hThread);
  if (WaitForSingleObject(process.get(), kRunLimitMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    throw std::runtime_error(Narrow(commandLine) + " did not end");
  }
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

}  // namespace

std::optional<RegExeValue> QueryWithRegExe(const std::wstring& keyUnderCurrentUser, const std::wstring& value) {
  const TempFolder folder;
  const fs::path report = folder.path() / "reg-query.txt";
  const DWORD code = Run(L"reg.exe query \"HKCU\\" + keyUnderCurrentUser + L"\" /v \"" + value + L"\"", report);
  if (code != 0) return std::nullopt;
  // A value line: four blanks, then name, type and data separated by four blanks.
  std::istringstream lines(ReadFileBytes(report));
  const std::string prefix = "    " + Narrow(value) + "    ";
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = line.substr(prefix.size());
    const std::size_t gap = rest.find("    ");
    if (gap == std::string::npos) return RegExeValue{rest, ""};
    return RegExeValue{rest.substr(0, gap), rest.substr(gap + 4)};
  }
  throw std::runtime_error("reg.exe reported no line for " + Narrow(value) + ":\n" + ReadFileBytes(report));
}

}  // namespace zefo::testing
