// Processes on Windows: the runtime's argument vector, the shell for
// starting programs and the Toolhelp snapshot for ending them.
#include <windows.h>
// After windows.h:
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <memory>

#include "updater/sys/process.h"
#include "updater/sys/process_platform.h"

namespace zefo {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (Valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

struct ArgvFreer {
  void operator()(wchar_t** argv) const { LocalFree(argv); }
};

}  // namespace

std::vector<std::wstring> OwnCommandLineArguments() {
  std::vector<std::wstring> arguments;
  if (__wargv != nullptr) {  // split by the runtime (wide entry points)
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__wargv[i]);
    return arguments;
  }
  int count = 0;
  const std::unique_ptr<wchar_t*, ArgvFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv.get()[i]);
  return arguments;
}

std::wstring GetModuleFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  // A name cut to the buffer would give the wrong folder.
  if (length == 0 || length >= MAX_PATH) return L"";
  wchar_t drive[_MAX_DRIVE];
  wchar_t folder[_MAX_DIR];
  if (_wsplitpath_s(path, drive, _MAX_DRIVE, folder, _MAX_DIR, nullptr, 0, nullptr, 0) != 0) {
    return L"";
  }
  return std::wstring(drive) + folder;
}

bool StartProgram(const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& folder) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.lpVerb = L"";  // the file's default verb
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

void TerminateProcessesByName(const std::wstring& name) {
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0));
  if (!snapshot.Valid()) return;
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID == self || name != entry.szExeFile) continue;
    // Processes that cannot be opened (another user's, gone) are skipped.
    const Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    if (!process.Valid()) continue;
    TerminateProcess(process.Get(), 9);
    WaitForSingleObject(process.Get(), 0);
  }
}

void SleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace zefo
