// "RemoveFiles.inf" as the updater reads it: a one-shot list of obsolete
// folders and files. The updater applies it (cleanup_manifest.h); the
// publishing tool writes and checks it with this same reader.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace zefo {

struct RemovalEntry {
  std::string name;  // lower-cased and trimmed, never empty; not yet checked
  bool folder = true;
};

// Reads the manifest line by line and hands each entry to `take`. Lines are
// lower-cased and trimmed of " \t\n\v"; "[folders]" and "[files]" switch what
// the following entries name (folders until the first section line). A line
// ends at LF, CR LF or a lone CR; its text ends at a zero byte. Blank lines,
// and lines longer than any name the 512-character path buffer can hold, are
// no entries. A line of any length takes little memory.
void ReadRemoveFilesManifest(std::FILE* file, const std::function<void(const RemovalEntry&)>& take);

}  // namespace zefo
