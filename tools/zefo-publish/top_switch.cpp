#include "tools/zefo-publish/top_switch.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/signing_key.h"
#include "updater/engine/formats/manifest_formats.h"

namespace zefo::publish {

namespace fs = std::filesystem;

const std::string kSwitchedFiles[6] = {
    std::string(kVersionHashName) + kSignatureSuffix, kVersionHashName,
    std::string(kFullPatchName) + kSignatureSuffix,   kFullPatchName,
    std::string(kVersionInfoName) + kSignatureSuffix, kVersionInfoName,
};

fs::path Temporary(fs::path path) { return path += kTemporarySuffix; }

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool IsSignatureName(const std::string& name) {
  const std::string suffix(kSignatureSuffix);
  return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

namespace {

// Begun once the first temporary file in switch order is gone while the
// temporary "VersionInfo.txt" (written last) is still there: the temporary
// "VersionHash.inf", or for a signed run (whose temporary
// "VersionInfo.txt.sig" is there too) its signature. A re-signing writes no
// "VersionHash.inf", so its complete temporaries always count as begun.
bool SwitchBegun(const fs::path& root) {
  if (!Exists(Temporary(root / kVersionInfoName))) return false;
  if (!Exists(Temporary(root / kVersionHashName))) return true;
  return Exists(Temporary(SignaturePath(root / kVersionInfoName))) &&
         !Exists(Temporary(SignaturePath(root / kVersionHashName)));
}

}  // namespace

bool FinishInterruptedSwitch(const fs::path& root, std::ostream& log, std::vector<std::string>* errors) {
  if (!SwitchBegun(root)) return true;
  const fs::path infoTemp = Temporary(root / kVersionInfoName);
  std::int32_t version = 0;
  if (FileHandle file = OpenFile(infoTemp, "rb")) version = ReadVersionInfo(file.get());
  for (const std::string& name : kSwitchedFiles) {
    const fs::path temp = Temporary(root / name);
    if (Exists(temp) && !RenameOver(temp, root / name)) {
      errors->push_back("cannot finish the interrupted switch to version " + std::to_string(version) + ": " +
                        temp.u8string() + " cannot be renamed");
      return false;
    }
  }
  SyncFolder(root);
  log << "finished the switch to version " << version << ", which an earlier release had begun\n";
  return true;
}

std::vector<std::string> LeftoverRemovalOrder(const std::vector<std::string>& temporaryFiles) {
  std::vector<std::string> order;
  for (auto it = std::rbegin(kSwitchedFiles); it != std::rend(kSwitchedFiles); ++it) {
    const std::string name = *it + kTemporarySuffix;
    if (std::find(temporaryFiles.begin(), temporaryFiles.end(), name) != temporaryFiles.end()) order.push_back(name);
  }
  for (const std::string& name : temporaryFiles) {
    if (std::find(order.begin(), order.end(), name) == order.end()) order.push_back(name);
  }
  return order;
}

}  // namespace zefo::publish
