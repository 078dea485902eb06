// A game's "Patch.ini": the version is the default without "version=", else
// the number of its value as a saturating atoi reads it, the value ending at
// the line end rule; reading the file from a folder gives what reading its
// bytes gives. The first four input bytes are the game's default version.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "migration/patch_info.h"

namespace {

// Decimal value as the C library reads it, clamped to 32 bits.
std::int32_t ReferenceValue(const std::string& text) {
  const std::string value = text.substr(0, text.find('\0'));
  const long long parsed = std::strtoll(value.c_str(), nullptr, 10);
  if (parsed > INT32_MAX) return INT32_MAX;
  if (parsed < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(parsed);
}

// The version the bytes give, worked out on the bytes themselves.
std::int32_t ReferenceVersion(const std::string& bytes, std::int32_t defaultVersion) {
  const std::string text = bytes.substr(0, bytes.find('\0'));
  const std::size_t found = text.find("version=");
  if (found == std::string::npos) return defaultVersion;
  const std::size_t start = found + 8;
  std::size_t end = text.find("\r\n", start);
  if (end == std::string::npos) end = text.find('\r', start);
  if (end == std::string::npos) end = text.find('\n', start);
  if (end == std::string::npos) end = text.size();
  return ReferenceValue(text.substr(start, end - start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const zefo::fuzz::ScratchFolder scratch("patch-ini");
  if (size < 4) return 0;
  std::int32_t defaultVersion;
  std::memcpy(&defaultVersion, data, sizeof defaultVersion);
  const std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);

  const std::int32_t version = zefo::VersionFromPatchInfo(bytes, defaultVersion);
  ZEFO_FUZZ_CHECK(version == ReferenceVersion(bytes, defaultVersion));

  // The file as the migration finds it below an install folder.
  const std::filesystem::path file = scratch.path() / "Game" / "PatchInfo" / "Patch.ini";
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  const std::wstring folder = (scratch.path() / "Game").wstring() + L"\\";
  ZEFO_FUZZ_CHECK(zefo::ReadGameVersion(folder, L"PatchInfo\\Patch.ini", defaultVersion) == version);
  ZEFO_FUZZ_CHECK(zefo::ReadGameVersion(folder, L"", defaultVersion) == defaultVersion);
  return 0;
}
