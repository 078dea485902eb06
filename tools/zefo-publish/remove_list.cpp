#include "tools/zefo-publish/remove_list.h"

#include "tools/zefo-publish/platform.h"
#include "updater/engine/formats/remove_files_format.h"

namespace zefo::publish {

bool ReadRemoveList(const std::filesystem::path& path, RemoveList* list) {
  FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  *list = RemoveList{};
  ReadRemoveFilesManifest(file.get(), [list](const RemovalEntry& entry) {
    (entry.folder ? list->folders : list->files).insert(entry.name);
  });
  return !std::ferror(file.get());
}

std::string RemoveListText(const std::set<std::string>& files) {
  std::string text = "[files]\n";
  for (const std::string& name : files) text += name + "\n";
  return text;
}

}  // namespace zefo::publish
