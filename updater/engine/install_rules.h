// How a proven file is put in place in the program folder. Shared by the
// regular update and the full download.
#pragma once

#include <string>

namespace zefo {

// The file's path in the program folder: `folder`, then `name` ('/' or '\'
// separated), with '/' separators and doubled ones collapsed; on Linux,
// existing folders and files are matched without regard to letter case, as
// on Windows. "" when `name` does not name something below the folder
// (absolute, drive or root, "..", or the folder itself) or when the path does
// not fit the 512-character buffer.
std::wstring InstallTargetPath(const std::wstring& folder, const std::string& name);

// The last component of a '/' or '\' separated path, split before its last
// dot: "x64/ZLauncher.exe" gives "ZLauncher" and ".exe".
struct FileNameParts {
  std::wstring base;
  std::wstring extension;  // with the dot; "" when there is none
};
FileNameParts SplitFileName(const std::wstring& path);
// The base name and extension together, in lowercase (ASCII letters).
std::wstring LowercaseFileName(const FileNameParts& parts);

// What happens to the present copy of a file that is replaced.
enum class SetAside {
  kNone,       // overwritten in place
  kKeepOld,    // renamed to "<target>.old", which stays until the next start
  kRemoveOld,  // renamed to "<target>.old", removed after the copy when not in use
};
// Executables and libraries may be running: ".exe" keeps the moved-aside copy,
// ".dll" removes it. The extension is compared exactly (letter case matters).
SetAside SetAsideFor(const std::wstring& extension);

// Copies `source` over `target`, creating the target's folders. A running
// program can be renamed but not overwritten (Windows, and ETXTBSY on Linux),
// so with a set-aside the copy is written as "<name>.zefo-new<ext>", the present
// target is renamed to "<target>.old" (a stale one of that name is removed
// first) and the copy takes the target's name. When that fails the renamed
// file is moved back, so the folder keeps a working copy. False when the copy
// failed.
bool InstallFile(const std::wstring& source, const std::wstring& target, SetAside setAside);

}  // namespace zefo
