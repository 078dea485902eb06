#include "tests/gui/started_program_win32.h"

#include <tlhelp32.h>

#include <stdexcept>

namespace zefo::testing {

namespace fs = std::filesystem;

StartedProgram::StartedProgram(const fs::path& program, const std::vector<std::wstring>& arguments,
                               const fs::path& folder) {
  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  for (const std::wstring& argument : arguments) {
    if (argument.empty() || argument.find_first_of(L" \t\"") != std::wstring::npos) {
      throw std::invalid_argument("arguments must be single words");
    }
    commandLine += L" " + argument;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.wstring().c_str(), &startup, &started)) {
    throw std::runtime_error("cannot start " + program.string() + ": error " + std::to_string(GetLastError()));
  }
  CloseHandle(started.hThread);
  process_ = KernelHandle(started.hProcess);
  id_ = started.dwProcessId;
}

StartedProgram::~StartedProgram() {
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
  }
}

std::optional<DWORD> StartedProgram::WaitForEnd(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

namespace {

std::optional<fs::path> ExecutableOf(DWORD processId) {
  const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return std::nullopt;
  wchar_t name[MAX_PATH * 2];
  DWORD size = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process.get(), 0, name, &size)) return std::nullopt;
  return fs::path(std::wstring(name, size));
}

bool IsBelow(const fs::path& file, const fs::path& folder) {
  std::error_code error;
  const fs::path relative = fs::relative(file, folder, error);
  return !error && !relative.empty() && *relative.begin() != "..";
}

}  // namespace

void EndProgramsBelow(const fs::path& folder) {
  const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) continue;
    const std::optional<fs::path> executable = ExecutableOf(entry.th32ProcessID);
    if (!executable || !IsBelow(*executable, folder)) continue;
    const KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (process && TerminateProcess(process.get(), 1)) WaitForSingleObject(process.get(), 10000);
  }
}

fs::path HostPath(const std::string& unixPath) {
  return fs::u8path(!unixPath.empty() && unixPath.front() == '/' ? "Z:" + unixPath : unixPath);
}

}  // namespace zefo::testing
