// `verify` finds each kind of inconsistency a client would meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "tests/publish/publish_scenario.h"
#include "tools/zefo-publish/platform.h"
#include "tools/zefo-publish/verify.h"
#include "updater/engine/formats/manifest_formats.h"

namespace zefo::publish::testing {
namespace {

namespace fs = std::filesystem;

std::vector<FullPatchRecord> FullPatchRecords(const fs::path& root) {
  FileHandle file = OpenFile(root / "FullPatchInfo.inf", "rb");
  return ReadFullPatchFile(file.get()).records;
}

void WriteFullPatch(const fs::path& root, const std::vector<FullPatchRecord>& records) {
  FileHandle file = OpenFile(root / "FullPatchInfo.inf", "wb");
  ASSERT_TRUE(WriteFullPatchFile(file.get(), records));
}

std::vector<VersionHashRecord> HashRecords(const fs::path& root) {
  FileHandle file = OpenFile(root / "VersionHash.inf", "rb");
  return ReadVersionHashFile(file.get()).records;
}

void WriteHashes(const fs::path& root, const std::vector<VersionHashRecord>& records) {
  FileHandle file = OpenFile(root / "VersionHash.inf", "wb");
  ASSERT_TRUE(WriteVersionHashFile(file.get(), records));
}

struct Damage {
  const char* what;
  std::function<void(const fs::path& root)> apply;
  const char* expected;  // a problem line holding this text
};

const std::vector<Damage>& Damages() {
  static const std::vector<Damage> damages = {
      {"missing list", [](const fs::path& root) { fs::remove(root / "102/download_info.txt"); },
       "102/download_info.txt is missing"},
      {"missing version folder", [](const fs::path& root) { fs::remove_all(root / "103"); },
       "version folder 103 is missing"},
      {"missing listed file", [](const fs::path& root) { fs::remove(root / "104/a.dll"); },
       "104/a.dll is listed by 104/download_info.txt but missing"},
      {"flipped byte",
       [](const fs::path& root) {
         std::string bytes = ReadBytes(root / "104/sub/deep/er/large.bin");
         bytes[bytes.size() / 2] ^= 0x01;
         WriteBytes(root / "104/sub/deep/er/large.bin", bytes);
       },
       "104/sub/deep/er/large.bin: its bytes"},
      {"stale digest",
       [](const fs::path& root) {
         auto records = HashRecords(root);
         for (auto& record : records) {
           if (record.name == "a.dll") record.digest[0] ^= 0xFF;
         }
         WriteHashes(root, records);
       },
       "104/a.dll: its bytes"},
      {"digest missing",
       [](const fs::path& root) {
         auto records = HashRecords(root);
         records.erase(std::remove_if(records.begin(), records.end(),
                                      [](const VersionHashRecord& r) { return r.name == "x64\\ZLauncher.exe"; }),
                       records.end());
         WriteHashes(root, records);
       },
       "VersionHash.inf has no digest for 102/x64/ZLauncher.exe"},
      {"damaged digest manifest",
       [](const fs::path& root) {
         const std::string bytes = ReadBytes(root / "VersionHash.inf");
         WriteBytes(root / "VersionHash.inf", bytes.substr(0, bytes.size() - 3));
       },
       "VersionHash.inf is damaged"},
      {"full download file missing",
       [](const fs::path& root) {
         auto records = FullPatchRecords(root);
         records.front().remotePath = "105/a.dll";
         WriteFullPatch(root, records);
       },
       "the remote file is missing"},
      {"full download from an older version",
       [](const fs::path& root) {
         auto records = FullPatchRecords(root);
         for (auto& record : records) {
           if (record.installPath == "a.dll") record.remotePath = "102/a.dll";
         }
         WriteFullPatch(root, records);
       },
       "version 104 publishes a newer one"},
      {"name leaving the tree",
       [](const fs::path& root) {
         WriteBytes(root / "104/download_info.txt", ReadBytes(root / "104/download_info.txt") + "../escape.txt\n");
       },
       "\"../escape.txt\", which leaves the version folder"},
      {"name that is not ASCII",
       [](const fs::path& root) {
         WriteBytes(root / "104/download_info.txt", ReadBytes(root / "104/download_info.txt") + "caf\xc3\xa9.txt\n");
       },
       "104/download_info.txt lists a name that is not printable ASCII"},
      {"removal of a published file",
       [](const fs::path& root) { WriteBytes(root / "103/RemoveFiles.inf", "[files]\nreadme.txt\nA.DLL\n"); },
       "removes a.dll, a file of the published build"},
      {"no published version", [](const fs::path& root) { fs::remove(root / "VersionInfo.txt"); },
       "nothing is published"},
      {"leftover of an unfinished release", [](const fs::path& root) { fs::create_directories(root / "105"); },
       "version folder 105 is not published"},
  };
  return damages;
}

TEST(Verify, AConsistentTreeHasNoProblems) {
  ScratchFolder scratch;
  PublishStory(scratch.path() / "root", scratch.path() / "builds", 104);
  EXPECT_EQ(VerifyTree(scratch.path() / "root", nullptr), std::vector<std::string>{});
  EXPECT_EQ(VerifyTree(scratch.path() / "none", nullptr).size(), 1u);
}

TEST(Verify, FindsEachKindOfDamage) {
  ScratchFolder scratch;
  const fs::path good = scratch.path() / "good";
  PublishStory(good, scratch.path() / "builds", 104);
  for (const Damage& damage : Damages()) {
    const fs::path root = scratch.path() / "damaged";
    fs::remove_all(root);
    fs::copy(good, root, fs::copy_options::recursive);
    damage.apply(root);
    const std::vector<std::string> problems = VerifyTree(root, nullptr);
    std::string all;
    for (const std::string& problem : problems) all += problem + "\n";
    EXPECT_NE(all.find(damage.expected), std::string::npos) << damage.what << ":\n" << all;
  }
}

}  // namespace
}  // namespace zefo::publish::testing
