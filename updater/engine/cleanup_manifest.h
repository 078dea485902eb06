// "RemoveFiles.inf": a one-shot list of obsolete folders and files that the
// installer leaves in the program folder for the updater to remove.
#pragma once

namespace zefo {

// Removes what "RemoveFiles.inf" in the current folder names, then the
// manifest itself. Lines are lower-cased and trimmed of " \t\n\v"; "[folders]"
// and "[files]" switch what the following entries name (folders until the
// first section line). A line ends at LF, CR LF or a lone CR. Blank entries
// and entries that are absolute or climb out of the folder remove nothing.
// Entries use '\' as written; on Linux they are matched to the folder's names
// without regard to letter case, as Windows matches them.
void ApplyRemoveFilesManifest();

}  // namespace zefo
