#include "tools/zefo-publish/publish_names.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/release_signature.h"

namespace zefo::publish {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Characters that Windows does not allow in file names, and the backslash,
// which the updater reads as a separator.
bool IsForbiddenCharacter(char c) { return std::strchr("\\:*?\"<>|", c) != nullptr; }

std::string CheckComponent(const std::string& component) {
  if (component.empty()) return "an empty folder name";
  if (component == "." || component == "..") return "a \".\" or \"..\" component";
  if (component.back() == '.' || component.back() == ' ') {
    return "a component ending in a dot or a space (Windows drops them)";
  }
  return "";
}

// The start-up tidying deletes "Output", "ZEFOLauncher.exe_old" and "*.old"
// files at the top or in folders that are themselves named "*.old".
bool IsRemovedAtStart(const std::string& lowerName) {
  if (lowerName == "zefolauncher.exe_old" || lowerName.compare(0, 7, "output/") == 0) return true;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = lowerName.find('/', start);
    if (!EndsWith(lowerName.substr(start, end == std::string::npos ? end : end - start), ".old")) return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

bool IsPrintableAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
}

std::string CheckBuildName(const std::string& name) {
  if (!IsPrintableAscii(name)) return "not printable ASCII";
  for (char c : name) {
    if (IsForbiddenCharacter(c)) return "a character Windows does not allow in file names";
  }
  if (name.size() > kMaxNameBytes) {
    return "longer than " + std::to_string(kMaxNameBytes) + " bytes (the updater's staging path would not fit)";
  }
  if (!IsContainedRelativePath(name)) return "not a path below the program folder";
  std::size_t start = 0;
  while (true) {
    const std::size_t end = name.find('/', start);
    const std::string why = CheckComponent(name.substr(start, end == std::string::npos ? end : end - start));
    if (!why.empty()) return "contains " + why;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (EndsWith(name, kTemporarySuffix)) return std::string("ends in \"") + kTemporarySuffix + "\", kept for the publisher's own files";
  const std::string lower = AsciiLowercase(name);
  if (IsRemovedAtStart(lower)) return "a name the updater removes at every start";
  // The list's signature too: a signed release writes it beside the list.
  const std::string listSignature = std::string(kDownloadListName) + kSignatureSuffix;
  for (const std::string& reserved : {std::string(kNewUpdaterName), std::string(kRemoveFilesName),
                                      std::string(kDownloadListName), listSignature}) {
    if (lower == AsciiLowercase(reserved)) {
      return "a name the publisher writes itself in the version folder";
    }
  }
  return "";
}

std::string ListName(const std::string& buildName) {
  return buildName == kUpdaterName ? std::string(kNewUpdaterName) : buildName;
}

std::string InstallName(const std::string& listName) {
  return listName == kNewUpdaterName ? std::string(kUpdaterName) : listName;
}

std::string LookupName(const std::string& listName) {
  const std::string name = WithBackslashes(listName);
  return name == kNewUpdaterName ? std::string(kUpdaterName) : name;
}

std::string WithBackslashes(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

std::string AsciiLowercase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool ParseVersionNumber(const std::string& text, std::int32_t* version) {
  if (text.empty() || text.size() > 10 || text[0] == '0') return false;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > INT32_MAX) return false;
  *version = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace zefo::publish
