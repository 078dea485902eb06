#include "tests/publish/client_model.h"

#include <algorithm>
#include <map>

#include "tools/zefo-publish/platform.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/sys/md5.h"

namespace zefo::publish::testing {

namespace fs = std::filesystem;

namespace {

std::string DigestOf(const std::string& bytes) {
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
  hash.finalize();
  return hash.digest2hexstring();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  const char* set = " \t\n\v";
  const auto first = text.find_first_not_of(set);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(set) - first + 1);
}

ClientOutcome Failed(std::string why) {
  ClientOutcome outcome;
  outcome.failure = std::move(why);
  return outcome;
}

// InstallNewUpdater, then the next start's "RemoveFiles.inf".
void FinishLikeClient(FileMap* program) {
  const auto updater = program->find("ZEFOLauncher_New.exe");
  if (updater != program->end()) {
    (*program)["ZEFOLauncher.exe"] = updater->second;
    program->erase(updater);
  }
  const auto manifest = program->find("RemoveFiles.inf");
  if (manifest == program->end()) return;
  const std::string text = manifest->second;
  program->erase(manifest);
  bool files = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string entry = Trim(Lower(line));
    if (entry == "[files]" || entry == "[folders]") {
      files = entry == "[files]";
      continue;
    }
    if (entry.empty()) continue;
    for (auto it = program->begin(); it != program->end();) {
      const std::string name = Lower(it->first);
      const bool hit = files ? name == entry : name.compare(0, entry.size() + 1, entry + "/") == 0;
      it = hit ? program->erase(it) : std::next(it);
    }
  }
}

}  // namespace

std::int32_t PublishedVersionOf(const fs::path& root) {
  FileHandle file = OpenFile(root / "VersionInfo.txt", "rb");
  return file ? ReadVersionInfo(file.get()) : 0;
}

ClientOutcome UpdateLikeClient(const fs::path& root, std::int32_t installedVersion, const FileMap& installed) {
  FileHandle info = OpenFile(root / "VersionInfo.txt", "rb");
  if (!info) return Failed("VersionInfo.txt cannot be fetched");
  const std::int32_t latest = ReadVersionInfo(info.get());
  ClientOutcome outcome;
  outcome.ok = true;
  outcome.program = installed;
  if (latest <= installedVersion) return outcome;

  std::map<std::string, std::int32_t> records;
  for (std::int32_t v = latest; v > installedVersion; --v) {
    FileHandle list = OpenFile(root / std::to_string(v) / "download_info.txt", "rb");
    if (!list) return Failed("the list of version " + std::to_string(v) + " cannot be fetched");
    for (const std::string& name : ReadDownloadList(list.get())) records.emplace(name, v);
  }
  if (records.empty()) return outcome;

  std::map<std::string, std::string> digests;
  if (FileHandle hashes = OpenFile(root / "VersionHash.inf", "rb")) {
    for (const VersionHashRecord& record : ReadVersionHashFile(hashes.get()).records) {
      digests.emplace(record.name, DigestToHex(record.digest));
    }
  }
  FileMap staged;
  for (const auto& [name, version] : records) {
    const fs::path path = root / std::to_string(version) / fs::u8path(name);
    if (!fs::is_regular_file(path)) return Failed(std::to_string(version) + "/" + name + " cannot be fetched");
    std::string lookup = name;
    std::replace(lookup.begin(), lookup.end(), '/', '\\');
    if (lookup == "ZEFOLauncher_New.exe") lookup = "ZEFOLauncher.exe";
    const auto digest = digests.find(lookup);
    if (digest == digests.end()) return Failed("no digest for " + name);
    staged[name] = ReadBytes(path);
    if (DigestOf(staged[name]) != digest->second) return Failed("digest mismatch for " + std::to_string(version) + "/" + name);
  }
  for (const auto& [name, bytes] : staged) outcome.program[name] = bytes;
  FinishLikeClient(&outcome.program);
  return outcome;
}

ClientOutcome FullDownloadLikeClient(const fs::path& root, const FileMap& installed) {
  FileHandle manifest = OpenFile(root / "FullPatchInfo.inf", "rb");
  if (!manifest) return Failed("FullPatchInfo.inf cannot be fetched");
  const FullPatchContents contents = ReadFullPatchFile(manifest.get());
  if (!contents.complete) return Failed("FullPatchInfo.inf is damaged");
  ClientOutcome outcome;
  outcome.ok = true;
  outcome.program = installed;
  for (const FullPatchRecord& record : contents.records) {
    const fs::path path = root / fs::u8path(record.remotePath);
    if (!fs::is_regular_file(path)) return Failed(record.remotePath + " cannot be fetched");
    const std::string bytes = ReadBytes(path);
    if (DigestOf(bytes) != record.digestText) return Failed("digest mismatch for " + record.remotePath);
    std::string name = record.installPath;
    std::replace(name.begin(), name.end(), '\\', '/');
    outcome.program[name] = bytes;
  }
  FinishLikeClient(&outcome.program);
  return outcome;
}

}  // namespace zefo::publish::testing
