// The games whose older stand-alone launchers the migration looks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zefo {

// One game. An empty text means the field is not given.
struct GameEntry {
  std::wstring region;             // first level below "SOFTWARE\Tavrin\" (none for "" and "gl")
  std::wstring gameId;             // name of the registration key
  std::wstring protocolId;         // URL protocol class of the old launcher (HKEY_CLASSES_ROOT)
  std::wstring launcherSubfolder;  // folder of the old launcher below the install folder
  std::wstring exeName;            // FILENAME to write instead of the command's file name
  std::wstring patchInfoPath;      // version file, relative to the install folder
  std::int32_t defaultVersion = 0; // VERSION when no version is read
};

// The 12 games, in the order they are processed.
std::vector<GameEntry> BuildGameTable();

// "SOFTWARE\Tavrin\<region>\<gameId>", or "SOFTWARE\Tavrin\<gameId>" for the
// global region ("" or "gl" in any case).
std::wstring RegistrationKeyName(const GameEntry& game);

}  // namespace zefo
