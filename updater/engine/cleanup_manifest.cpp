#include "updater/engine/cleanup_manifest.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "updater/engine/contained_path.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {

namespace {

const wchar_t kManifestName[] = L"RemoveFiles.inf";

// One line without its end. Windows editors write CR LF, older tools a lone
// CR; both end a line like LF does (a file name cannot hold a CR anyway).
bool ReadManifestLine(std::FILE* file, std::string* line) {
  line->clear();
  int c = std::getc(file);
  if (c == EOF) return false;
  for (; c != EOF; c = std::getc(file)) {
    if (c == '\n') break;
    if (c == '\r') {
      const int next = std::getc(file);
      if (next != '\n' && next != EOF) std::ungetc(next, file);
      break;
    }
    line->push_back(static_cast<char>(c));
  }
  return true;
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void RemoveEntry(const std::wstring& folder, const std::string& entry, bool folders) {
  if (!NamesItemBelowFolder(entry)) return;
  wchar_t wide[kTextBufferSize];
  if (!ToWide(entry.c_str(), wide, kTextBufferSize)) return;
  const std::wstring path = ResolvePathIgnoringCase(folder, wide);
  if (folders) {
    DeleteDirectoryTree(path + L"\\");
  } else {
    RemoveFile(path);
  }
}

}  // namespace

void ApplyRemoveFilesManifest() {
  // Longer than its 260 characters the current folder cannot be read; names
  // below "." then name the same files (never the root).
  std::wstring folder = CurrentFolder();
  if (folder.empty()) folder = L".";
  {
    const FileHandle manifest = OpenForReading(kManifestName);
    if (!manifest) return;
    bool folders = true;
    std::string line;
    while (ReadManifestLine(manifest.get(), &line)) {
      const std::string entry = TrimString(Lowered(line), " \t\n\v");
      if (entry == "[folders]") {
        folders = true;
      } else if (entry == "[files]") {
        folders = false;
      } else {
        RemoveEntry(folder, entry, folders);
      }
    }
  }
  RemoveFile(kManifestName);
}

}  // namespace zefo
