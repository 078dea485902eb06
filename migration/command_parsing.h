// Where a game lies, taken from the open command of its old launcher's URL
// protocol, such as "C:\Games\Oxa\Launcher\OxaLauncher.exe" "%1".
//
// The folder and file name are kept exactly as the command writes them; how a
// folder is found on this machine's file system is the reader's business
// (patch_info.h).
#pragma once

#include <optional>
#include <string>

#include "migration/game_table.h"

namespace zefo {

struct GameLocation {
  std::wstring folder;    // ends with its separator ('\' or '/'), or empty
  std::wstring fileName;
};

// The executable's path in an open command: the text between the first two
// double quotes of a quoted command; otherwise the text up to and including
// the first ".exe" (any case), else the text before the first blank (unless
// the text starts with one), else the whole text. "" when the command starts
// with a double quote and has no second one.
std::wstring ExecutablePathFromCommand(const std::wstring& command);

// Splits at the last '\' or '/'. The folder keeps its separator; a path
// without one has an empty folder. Double quotes and blanks are trimmed from
// both ends of the file name.
GameLocation SplitExecutablePath(const std::wstring& path);

// `folder` without its last components when they equal `subfolder` (letter
// case ignored, '\' and '/' alike); `folder` itself otherwise.
std::wstring RemoveLauncherSubfolder(const std::wstring& folder, const std::wstring& subfolder);

// Install folder and FILENAME of `game` from its protocol's open command:
// the table's exeName replaces the command's file name; without one, a
// launcherSubfolder of more than 2 characters is taken off the folder.
// Nothing when the command names no executable.
std::optional<GameLocation> LocateGame(const std::wstring& command, const GameEntry& game);

}  // namespace zefo
