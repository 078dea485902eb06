#include "updater/engine/cleanup_manifest.h"

#include <string>

#include "updater/engine/contained_path.h"
#include "updater/engine/formats/remove_files_format.h"
#include "updater/sys/file_helpers.h"
#include "updater/sys/file_system.h"
#include "updater/sys/text.h"

namespace zefo {

namespace {

const wchar_t kManifestName[] = L"RemoveFiles.inf";

void RemoveEntry(const std::wstring& folder, const RemovalEntry& entry) {
  if (!NamesItemBelowFolder(entry.name)) return;
  wchar_t wide[kTextBufferSize];
  if (!ToWide(entry.name.c_str(), wide, kTextBufferSize)) return;
  const std::wstring path = ResolvePathIgnoringCase(folder, wide);
  if (entry.folder) {
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
    ReadRemoveFilesManifest(manifest.get(), [&folder](const RemovalEntry& entry) { RemoveEntry(folder, entry); });
  }
  RemoveFile(kManifestName);
}

}  // namespace zefo
