// "VersionInfo.txt": only the first line counts, read as atoi reads it, and
// what the publisher writes reads back as the same version.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "updater/engine/formats/manifest_formats.h"

namespace {

using zefo::FileHandle;
using zefo::fuzz::MemoryFile;

std::int32_t Read(const std::uint8_t* data, std::size_t size) {
  const FileHandle file = MemoryFile(data, size);
  ZEFO_FUZZ_CHECK(file != nullptr);
  return zefo::ReadVersionInfo(file.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::int32_t version = Read(data, size);

  // Nothing after the first line end changes the version.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t lineEnd = bytes.find('\n');
  if (lineEnd != std::string::npos) {
    const std::string firstLine = bytes.substr(0, lineEnd + 1);
    ZEFO_FUZZ_CHECK(Read(reinterpret_cast<const std::uint8_t*>(firstLine.data()), firstLine.size()) ==
                    version);
  }

  // The publisher's form of the version reads back unchanged.
  char* written = nullptr;
  std::size_t writtenSize = 0;
  std::FILE* out = open_memstream(&written, &writtenSize);
  ZEFO_FUZZ_CHECK(out != nullptr);
  ZEFO_FUZZ_CHECK(zefo::WriteVersionInfo(out, version));
  std::fclose(out);
  ZEFO_FUZZ_CHECK(Read(reinterpret_cast<const std::uint8_t*>(written), writtenSize) == version);
  std::free(written);
  return 0;
}
