#include "migration/patch_info.h"

#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

bool HasDrive(const std::wstring& folder) {
  return folder.size() >= 2 && folder[1] == L':' &&
         ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z'));
}

bool IsNetworkShare(const std::wstring& folder) {
  return folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\';
}

}  // namespace

std::wstring ThreadAnsiToWide(const std::string& text) { return ToWideString(text); }

std::wstring PatchInfoFilePath(const std::wstring& folder, const std::wstring& relative) {
  if (HasDrive(folder) || IsNetworkShare(folder)) return std::wstring();
  return ResolvePathIgnoringCase(folder, relative);
}

}  // namespace zefo
