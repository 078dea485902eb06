// "VersionHash.inf": bounded names without zero bytes, no more records than
// the bytes hold (a huge count costs nothing), and what the publisher writes
// reads back whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/engine/formats/manifest_formats.h"

namespace {

using zefo::FileHandle;
using zefo::fuzz::MemoryFile;

zefo::VersionHashContents Read(const char* data, std::size_t size) {
  const FileHandle file = MemoryFile(reinterpret_cast<const std::uint8_t*>(data), size);
  ZEFO_FUZZ_CHECK(file != nullptr);
  return zefo::ReadVersionHashFile(file.get());
}

bool Same(const std::vector<zefo::VersionHashRecord>& a, const std::vector<zefo::VersionHashRecord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || std::memcmp(a[i].digest, b[i].digest, sizeof a[i].digest) != 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const zefo::VersionHashContents contents = Read(reinterpret_cast<const char*>(data), size);
  // The count, then per record a length and a digest at least.
  ZEFO_FUZZ_CHECK(contents.records.size() <= (size < 4 ? 0 : (size - 4) / 20));
  for (const zefo::VersionHashRecord& record : contents.records) {
    ZEFO_FUZZ_CHECK(record.name.size() <= zefo::kMaxFieldBytes);
    ZEFO_FUZZ_CHECK(record.name.find('\0') == std::string::npos);
  }

  char* written = nullptr;
  std::size_t writtenSize = 0;
  std::FILE* out = open_memstream(&written, &writtenSize);
  ZEFO_FUZZ_CHECK(out != nullptr);
  ZEFO_FUZZ_CHECK(zefo::WriteVersionHashFile(out, contents.records));
  std::fclose(out);
  const zefo::VersionHashContents again = Read(written, writtenSize);
  ZEFO_FUZZ_CHECK(again.complete);
  ZEFO_FUZZ_CHECK(Same(again.records, contents.records));
  std::free(written);
  return 0;
}
