// Names that the update and the cleanup may act on in the program folder.
#pragma once

#include <string>

namespace zefo {

// True when `path` (separators '\' or '/') names something below the folder it
// is relative to, never the folder itself nor anything outside it: relative,
// no drive, no ".." (IsContainedRelativePath), and at least one component
// that is a real name rather than "." or a form Windows reduces to it (". ",
// "" between doubled separators).
bool NamesItemBelowFolder(const std::string& path);

}  // namespace zefo
