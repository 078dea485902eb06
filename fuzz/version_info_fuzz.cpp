// "VersionInfo.txt": only the first line counts for the version, read as atoi
// reads it, and what the publisher writes reads back as the same version. The
// expiry of a signed release (its second line): an expiry line is read only
// in its one exact form, which reads back as the same moment, and a release
// once expired stays expired as time goes on.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/release_signature.h"

namespace {

using zefo::FileHandle;
using zefo::fuzz::MemoryFile;

std::int32_t Read(const std::uint8_t* data, std::size_t size) {
  const FileHandle file = MemoryFile(data, size);
  ZEFO_FUZZ_CHECK(file != nullptr);
  return zefo::ReadVersionInfo(file.get());
}

void CheckExpiryLine(std::string_view line) {
  const std::optional<std::int64_t> moment = zefo::ParseExpiryLine(line);
  if (!moment) return;
  ZEFO_FUZZ_CHECK(zefo::FormatExpiryLine(*moment) == line);
  ZEFO_FUZZ_CHECK(zefo::ParseExpiryLine(zefo::FormatExpiryLine(*moment)) == moment);
}

void CheckExpiry(const std::string& text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    CheckExpiryLine(std::string_view(text).substr(start, end - start));
    start = end + 1;
  }
  // Moments around the one the text may name, and far away.
  std::vector<std::int64_t> moments = {0, 1700000000, 253402300799};
  const std::size_t second = text.find('\n');
  if (second != std::string::npos) {
    const std::size_t end = text.find('\n', second + 1);
    std::string line = text.substr(second + 1, end == std::string::npos ? std::string::npos : end - second - 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (const std::optional<std::int64_t> moment = zefo::ParseExpiryLine(line)) {
      moments.insert(moments.end(), {*moment - 1, *moment, *moment + 1});
    }
  }
  std::sort(moments.begin(), moments.end());
  bool expired = false;
  const zefo::ExpiryState first = zefo::VersionInfoExpiry(text, moments.front());
  for (const std::int64_t now : moments) {
    const zefo::ExpiryState state = zefo::VersionInfoExpiry(text, now);
    if (first == zefo::ExpiryState::kNone || first == zefo::ExpiryState::kUnreadable) {
      ZEFO_FUZZ_CHECK(state == first);
      continue;
    }
    ZEFO_FUZZ_CHECK(state == zefo::ExpiryState::kValid || state == zefo::ExpiryState::kExpired);
    ZEFO_FUZZ_CHECK(!expired || state == zefo::ExpiryState::kExpired);
    expired = state == zefo::ExpiryState::kExpired;
  }
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

  CheckExpiry(bytes);
  return 0;
}
