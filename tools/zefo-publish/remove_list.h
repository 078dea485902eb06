// "RemoveFiles.inf": the files an installation removes at its next start. The
// updater lower-cases every line, so entries are kept in lower case here.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace zefo::publish {

struct RemoveList {
  std::set<std::string> files;    // entries below "[files]"
  std::set<std::string> folders;  // entries before any section or below "[folders]"
};

// Reads the manifest with the updater's own reader (remove_files_format.h):
// each line lower-cased and trimmed of " \t\n\v", a lone CR ending a line
// too; blank lines are skipped. False when it cannot be read.
bool ReadRemoveList(const std::filesystem::path& path, RemoveList* list);
// The manifest's text for these files: a "[files]" section, one entry a line.
std::string RemoveListText(const std::set<std::string>& files);

}  // namespace zefo::publish
