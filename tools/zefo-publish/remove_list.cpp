#include "tools/zefo-publish/remove_list.h"

#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/publish_names.h"
#include "updater/sys/text.h"

namespace zefo::publish {

namespace {
constexpr std::size_t kLineChars = 4096;
}  // namespace

bool ReadRemoveList(const std::filesystem::path& path, RemoveList* list) {
  FileHandle file = OpenFile(path, "rb");
  if (!file) return false;
  *list = RemoveList{};
  bool files = false;
  auto take = [&](const std::string& line) {
    const std::string entry = TrimString(AsciiLowercase(line), " \t\n\v");
    if (entry == "[files]") {
      files = true;
    } else if (entry == "[folders]") {
      files = false;
    } else if (!entry.empty()) {
      (files ? list->files : list->folders).insert(entry);
    }
  };
  std::string pending;
  std::string part;
  while (ReadTextLine(file.get(), kLineChars, &part)) {
    pending += part;
    if (pending.back() == '\n') {
      take(pending);
      pending.clear();
    }
  }
  if (!pending.empty()) take(pending);
  return !std::ferror(file.get());
}

std::string RemoveListText(const std::set<std::string>& files) {
  std::string text = "[files]\n";
  for (const std::string& name : files) text += name + "\n";
  return text;
}

}  // namespace zefo::publish
