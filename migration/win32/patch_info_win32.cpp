#include "migration/patch_info.h"

#include <windows.h>

#include <climits>

namespace zefo {

std::wstring ThreadAnsiToWide(const std::string& text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, &wide[0], units) != units) {
    return std::wstring();
  }
  return wide;
}

std::wstring PatchInfoFilePath(const std::wstring& folder, const std::wstring& relative) {
  return folder + relative;
}

}  // namespace zefo
