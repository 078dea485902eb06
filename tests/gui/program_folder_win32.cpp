#include "tests/gui/program_folder_win32.h"

#include <windows.h>
#include <tlhelp32.h>

#include <optional>

#include "tests/support/win32/kernel_handle_win32.h"

namespace zefo::testing {

namespace fs = std::filesystem;

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
