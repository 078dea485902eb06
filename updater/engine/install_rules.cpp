#include "updater/engine/install_rules.h"

#include "updater/engine/contained_path.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"
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
  if (setAside == SetAside::kNone) return CopyFileTo(source, target, true);

  // The new copy is written beside the target first and takes its name by a
  // rename: a run stopped while it is written leaves the present program or
  // library in place, never a cut-short one or none.
  // Named with the target's extension, which on Linux gives the copy its mode.
  const FileNameParts parts = SplitFileName(target);
  const std::wstring incoming =
      target.substr(0, target.size() - parts.extension.size()) + L".zefo-new" + parts.extension;
  if (!CopyFileTo(source, incoming, true)) return false;
  const std::wstring old = target + L".old";
  RemoveFile(old);
  // Fails harmlessly for a new file: there is nothing to set aside.
  const bool movedAside = RenameNoReplace(target, old);
  if (!RenameNoReplace(incoming, target)) {
    const std::uint32_t error = LastErrorCode();
    RemoveFile(incoming);
    if (movedAside) MoveReplace(old, target);
    SetLastErrorCode(error);
    return false;
  }
  if (setAside == SetAside::kRemoveOld) RemoveFile(old);
  return true;
}

}  // namespace zefo
