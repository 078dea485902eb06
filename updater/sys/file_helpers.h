// Folder and text helpers shared by the update steps, the diagnostics and the
// main window. They report nothing: a failure leaves the files as they are and
// the caller's next operation fails in its own terms.
#pragma once

#include <string>

namespace zefo {

// Creates every folder named by `path` except its last component, splitting
// on `separator` and joining with '/'. "Output//Launcher//a" creates
// "Output/", "Output//", "Output//Launcher/", "Output//Launcher//".
void MakeDirectories(const std::string& path, char separator);
void MakeDirectoriesW(const std::wstring& path, wchar_t separator);

// `folder` ends with a separator. Removes every file and subfolder, then the
// folder itself; what cannot be removed stays, with its folders. Links are
// removed and never followed: a `folder` that is a link (to a folder, a file
// or nothing) loses only the link, and so does every link inside the tree.
// Links above `folder` are followed as the system follows any path.
void DeleteDirectoryTree(const std::wstring& folder);
// Removes, in `folder` and every subfolder, the files whose names sort before
// `boundary` (UTF-16 code units, unsigned; a proper prefix sorts first), then
// each folder that is left empty (the given one included). A link found
// below `folder` is never entered; one whose name sorts before goes.
void DeleteFilesBefore(const std::wstring& folder, const std::wstring& boundary);
// Removes files matching "*.old" in `folder` and in its subfolders whose own
// names match "*.old". No folder is removed; a link matching "*.old" is
// removed, never entered.
void DeleteOldFiles(const std::wstring& folder);

// Replaces every occurrence of `from`, left to right, never searching replaced
// text again. An empty `from` changes nothing.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);
void ReplaceAllW(std::wstring& text, const std::wstring& from, const std::wstring& to);

}  // namespace zefo
