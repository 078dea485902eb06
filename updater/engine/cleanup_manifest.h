// "RemoveFiles.inf": a one-shot list of obsolete folders and files that the
// installer leaves in the program folder for the updater to remove.
#pragma once

#include "updater/engine/formats/remove_files_format.h"

namespace zefo {

// Removes what "RemoveFiles.inf" in the current folder names, then the
// manifest itself. Entries that are absolute or climb out of the folder remove
// nothing. Entries use '\' as written; on Linux they are matched to the
// folder's names without regard to letter case, as Windows matches them.
// Links are removed, never followed (DeleteDirectoryTree).
void ApplyRemoveFilesManifest();

}  // namespace zefo
