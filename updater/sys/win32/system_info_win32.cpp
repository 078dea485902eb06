// System information on Windows: the kernel's version record, WOW64, the
// system locale and the system message table.
#include <windows.h>

#include <memory>

#include "updater/sys/system_info.h"
#include "updater/sys/system_info_platform.h"

namespace zefo {
namespace {

constexpr DWORD kLocaleBufferSize = 512;
constexpr DWORD kFacilityWindows = 8;

// The usual version query answers 6.2 to programs that do not declare later
// versions; the kernel's own record does not.
bool ReadKernelVersion(OSVERSIONINFOEXW* info) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return false;
  const FARPROC entry = GetProcAddress(ntdll, "RtlGetVersion");
  if (entry == nullptr) return false;
  *info = OSVERSIONINFOEXW{};
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(entry))(info);
  return true;
}

std::string LocaleText(LCTYPE type) {
  char buffer[kLocaleBufferSize] = {};
  if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, type, buffer, kLocaleBufferSize) == 0) return "";
  return buffer;
}

struct LocalFreer {
  void operator()(char* text) const { LocalFree(text); }
};

}  // namespace

std::string GetOsName() {
  OSVERSIONINFOEXW info;
  if (!ReadKernelVersion(&info)) return "WIN_ETC";
  return WindowsProductName(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                            info.wProductType);
}

bool IsWindows10OrLater() {
  OSVERSIONINFOEXW info;
  return ReadKernelVersion(&info) && info.dwMajorVersion > 9;
}

bool IsWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32");
  if (kernel32 == nullptr) return false;
  const FARPROC entry = GetProcAddress(kernel32, "IsWow64Process");
  if (entry == nullptr) return false;
  BOOL wow64 = FALSE;
  const auto isWow64Process =
      reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(entry));
  return isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string GetSystemLanguageName() { return LocaleText(LOCALE_SENGLANGUAGE); }

std::string GetSystemCountryName() { return LocaleText(LOCALE_SENGCOUNTRY); }

std::string PlatformErrorMessage(std::uint32_t code, std::uint32_t languageId) {
  // Codes of the FACILITY_WINDOWS kind carry the message number in their low half.
  const DWORD lookup = ((code >> 16) & 0x1FFF) == kFacilityWindows ? (code & 0xFFFF) : code;
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, lookup, languageId, reinterpret_cast<char*>(&text), 0, nullptr);
  const std::unique_ptr<char, LocalFreer> owned(text);
  if (length == 0 || text == nullptr) return "";
  return std::string(text, length);
}

// This build carries no libcurl: the code is quoted by number only.
std::string CurlErrorText(std::uint32_t /*code*/) { return ""; }

}  // namespace zefo
