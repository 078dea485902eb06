#include "tests/support/patch_site.h"

#include <stdexcept>

#include "tests/support/test_folders.h"
#include "updater/sys/file_system.h"
#include "updater/sys/md5.h"

namespace zefo::testing {

namespace fs = std::filesystem;

namespace {

FileHandle CreateFileAt(const fs::path& path) {
  fs::create_directories(path.parent_path());
  FileHandle file = OpenForWriting(path.wstring());
  if (!file) throw std::runtime_error("cannot create " + path.string());
  return file;
}

}  // namespace

PatchSite::PatchSite(fs::path baseFolder) : base_(std::move(baseFolder)) {
  fs::create_directories(base_);
}

void PatchSite::SetVersionInfo(std::int32_t version) const {
  WriteVersionInfo(CreateFileAt(base_ / "VersionInfo.txt").get(), version);
}

void PatchSite::PublishVersion(std::int32_t version, const std::vector<SiteFile>& files) {
  std::vector<std::string> names;
  for (const SiteFile& file : files) {
    names.push_back(file.name);
    WriteRaw(std::to_string(version) + "/" + file.name, file.bytes);
    auto found = newest_.find(file.name);
    if (found == newest_.end() || found->second.first < version) {
      newest_[file.name] = {version, file.bytes};
    }
  }
  WriteDownloadInfo(version, names);
}

void PatchSite::WriteDownloadInfo(std::int32_t version, const std::vector<std::string>& lines) const {
  WriteDownloadList(CreateFileAt(base_ / std::to_string(version) / "download_info.txt").get(), lines);
}

void PatchSite::WriteRaw(const std::string& relative, const std::string& bytes) const {
  WriteFileBytes(base_ / fs::u8path(relative), bytes);
}

void PatchSite::WriteVersionHashes() const {
  std::vector<VersionHashRecord> records;
  for (const auto& [name, published] : newest_) records.push_back(HashRecordFor(name, published.second));
  WriteVersionHashes(records);
}

void PatchSite::WriteVersionHashes(const std::vector<VersionHashRecord>& records) const {
  WriteVersionHashFile(CreateFileAt(base_ / "VersionHash.inf").get(), records);
}

VersionHashRecord PatchSite::HashRecordFor(const std::string& name, const std::string& bytes) {
  VersionHashRecord record;
  record.name = name == "ZEFOLauncher_New.exe" ? "ZEFOLauncher.exe" : name;
  for (char& c : record.name) {
    if (c == '/') c = '\\';
  }
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(bytes.data()),
              static_cast<std::uint32_t>(bytes.size()));
  hash.finalize();
  std::copy(hash.digest(), hash.digest() + 16, record.digest);
  return record;
}

}  // namespace zefo::testing
