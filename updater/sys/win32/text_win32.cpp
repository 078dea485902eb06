// Narrow text is the ANSI code page (CP_ACP); wide text is UTF-16.
#include "updater/sys/text.h"

#include <windows.h>

#include <climits>

namespace zefo {

std::wstring ToWideString(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], needed);
  return wide;
}

std::string ToNarrowString(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, &narrow[0], needed, nullptr, nullptr);
  return narrow;
}

}  // namespace zefo
