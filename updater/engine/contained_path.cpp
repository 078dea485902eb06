#include "updater/engine/contained_path.h"

#include "updater/engine/formats/manifest_formats.h"

namespace zefo {

bool NamesItemBelowFolder(const std::string& path) {
  if (!IsContainedRelativePath(path)) return false;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string::npos) end = path.size();
    // Windows drops a component's trailing dots and spaces, so a component
    // made of nothing else names the folder it is in.
    if (path.substr(start, end - start).find_first_not_of(". ") != std::string::npos) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace zefo
