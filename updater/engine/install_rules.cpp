#include "updater/engine/install_rules.h"

#include "updater/engine/contained_path.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {

std::wstring InstallTargetPath(const std::wstring& folder, const std::string& name) {
  if (!NamesItemBelowFolder(name)) return std::wstring();
  std::wstring path = ResolvePathIgnoringCase(folder, ToWideString(name));
  ReplaceAllW(path, L"\\", L"/");
  ReplaceAllW(path, L"//", L"/");
  if (path.size() >= kTextBufferSize) return std::wstring();
  return path;
}

FileNameParts SplitFileName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"/\\");
  const std::wstring fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const std::size_t dot = fileName.rfind(L'.');
  if (dot == std::wstring::npos) return {fileName, std::wstring()};
  return {fileName.substr(0, dot), fileName.substr(dot)};
}

std::wstring LowercaseFileName(const FileNameParts& parts) {
  std::wstring name = parts.base + parts.extension;
  for (wchar_t& c : name) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return name;
}

SetAside SetAsideFor(const std::wstring& extension) {
  if (extension == L".exe") return SetAside::kKeepOld;
  if (extension == L".dll") return SetAside::kRemoveOld;
  return SetAside::kNone;
}

bool InstallFile(const std::wstring& source, const std::wstring& target, SetAside setAside) {
  MakeDirectoriesW(target, L'/');
  const std::wstring old = target + L".old";
  bool movedAside = false;
  if (setAside != SetAside::kNone) {
    RemoveFile(old);
    // Fails harmlessly for a new file: there is nothing to set aside.
    movedAside = RenameNoReplace(target, old);
  }
  if (!CopyFileTo(source, target, true)) {
    if (movedAside) MoveReplace(old, target);
    return false;
  }
  if (setAside == SetAside::kRemoveOld) RemoveFile(old);
  return true;
}

}  // namespace zefo
