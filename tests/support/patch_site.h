// Builds what a patch server publishes below one base folder (such as
// "<root>/patch"): "VersionInfo.txt", "N/download_info.txt" with its files and
// "VersionHash.inf", written with the same format writers the publisher uses.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "updater/engine/formats/manifest_formats.h"

namespace zefo::testing {

// A published file: its path below the version folder ('/' separated) and bytes.
struct SiteFile {
  std::string name;
  std::string bytes;
};

class PatchSite {
 public:
  explicit PatchSite(std::filesystem::path baseFolder);

  const std::filesystem::path& base() const { return base_; }

  void SetVersionInfo(std::int32_t version) const;
  // Publishes `version`: its "download_info.txt" lists the names in the given
  // order and each file is written below the version's folder.
  void PublishVersion(std::int32_t version, const std::vector<SiteFile>& files);
  // A manifest with exactly these lines (names that need no file, or that
  // must not get one, such as "../evil.dll").
  void WriteDownloadInfo(std::int32_t version, const std::vector<std::string>& lines) const;
  // Any file below the base, '/' separated.
  void WriteRaw(const std::string& relative, const std::string& bytes) const;

  // "VersionHash.inf" with the digests of the newest published bytes of every
  // file so far, named as the updater looks them up: '\' separators and the
  // new updater "ZEFOLauncher_New.exe" as "ZEFOLauncher.exe".
  void WriteVersionHashes() const;
  void WriteVersionHashes(const std::vector<VersionHashRecord>& records) const;
  // The record WriteVersionHashes() writes for a published name and bytes.
  static VersionHashRecord HashRecordFor(const std::string& name, const std::string& bytes);

 private:
  std::filesystem::path base_;
  std::map<std::string, std::pair<std::int32_t, std::string>> newest_;  // name -> (version, bytes)
};

}  // namespace zefo::testing
