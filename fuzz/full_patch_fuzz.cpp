// "FullPatchInfo.inf": bounded fields, the digest text matching the digest,
// every record the full download accepts installing below the program folder
// and fetching from below the base address, and a round trip through the
// publisher's writer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/engine/contained_path.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/install_rules.h"
#include "updater/sys/md5.h"

namespace {

using zefo::FileHandle;
using zefo::fuzz::MemoryFile;

const wchar_t kProgramFolder[] = L"/nonexistent-zefo-fuzz/program";

zefo::FullPatchContents Read(const char* data, std::size_t size) {
  const FileHandle file = MemoryFile(reinterpret_cast<const std::uint8_t*>(data), size);
  ZEFO_FUZZ_CHECK(file != nullptr);
  return zefo::ReadFullPatchFile(file.get());
}

bool IsDigestText(const std::string& text) {
  if (text.size() != 32) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool Same(const std::vector<zefo::FullPatchRecord>& a, const std::vector<zefo::FullPatchRecord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].installPath != b[i].installPath || a[i].remotePath != b[i].remotePath ||
        a[i].digestText != b[i].digestText || std::memcmp(a[i].digest, b[i].digest, sizeof a[i].digest) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const zefo::FullPatchContents contents = Read(reinterpret_cast<const char*>(data), size);
  // The count, then per record two lengths and a digest at least.
  ZEFO_FUZZ_CHECK(contents.records.size() <= (size < 4 ? 0 : (size - 4) / 24));
  for (const zefo::FullPatchRecord& record : contents.records) {
    for (const std::string* field : {&record.installPath, &record.remotePath}) {
      ZEFO_FUZZ_CHECK(field->size() <= zefo::kMaxFieldBytes);
      ZEFO_FUZZ_CHECK(field->find('\0') == std::string::npos);
    }
    ZEFO_FUZZ_CHECK(IsDigestText(record.digestText));
    ZEFO_FUZZ_CHECK(record.digestText == zefo::DigestToHex(record.digest));
    // The full download's acceptance test, then where the file would go.
    if (zefo::NamesItemBelowFolder(record.installPath) && zefo::IsContainedRelativePath(record.remotePath)) {
      ZEFO_FUZZ_CHECK(zefo::fuzz::LandsBelowFolderOnWindows(record.installPath));
      const std::wstring target = zefo::InstallTargetPath(kProgramFolder, record.installPath);
      ZEFO_FUZZ_CHECK(target.empty() || zefo::fuzz::LandsBelowFolderOnLinux(kProgramFolder, target));
    }
  }

  char* written = nullptr;
  std::size_t writtenSize = 0;
  std::FILE* out = open_memstream(&written, &writtenSize);
  ZEFO_FUZZ_CHECK(out != nullptr);
  ZEFO_FUZZ_CHECK(zefo::WriteFullPatchFile(out, contents.records));
  std::fclose(out);
  const zefo::FullPatchContents again = Read(written, writtenSize);
  ZEFO_FUZZ_CHECK(again.complete);
  ZEFO_FUZZ_CHECK(Same(again.records, contents.records));
  std::free(written);
  return 0;
}
