#include "migration/patch_info.h"

#include <cstdio>
#include <limits>
#include <optional>

#include "updater/sys/file_system.h"

namespace zefo {
namespace {

bool IsCSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

// Every byte of the file; nothing when it cannot be opened or read.
std::optional<std::string> ReadAllBytes(const std::wstring& path) {
  FileHandle file = OpenForReading(path);
  if (!file) return std::nullopt;
  std::string bytes;
  char block[4096];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) bytes.append(block, got);
  if (std::ferror(file.get())) return std::nullopt;
  return bytes;
}

}  // namespace

std::int32_t ParseSaturatedInt32(const std::wstring& text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsCSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
    negative = text[pos] == L'-';
    ++pos;
  }
  // Magnitudes are gathered in 64 bits and stop growing past the limit.
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                      : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos) {
    magnitude = magnitude * 10 + (text[pos] - L'0');
    if (magnitude > limit) magnitude = limit;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::int32_t VersionFromPatchInfo(const std::string& bytes, std::int32_t defaultVersion) {
  const std::wstring text = ThreadAnsiToWide(bytes.substr(0, bytes.find('\0')));
  const std::wstring key = L"version=";
  const std::size_t found = text.find(key);
  if (found == std::wstring::npos) return defaultVersion;
  const std::size_t start = found + key.size();
  std::size_t end = text.find(L"\r\n", start);
  if (end == std::wstring::npos) end = text.find(L'\r', start);
  if (end == std::wstring::npos) end = text.find(L'\n', start);
  if (end == std::wstring::npos) end = text.size();
  return ParseSaturatedInt32(text.substr(start, end - start));
}

std::int32_t ReadGameVersion(const std::wstring& folder, const std::wstring& patchInfoPath,
                             std::int32_t defaultVersion) {
  if (patchInfoPath.empty()) return defaultVersion;
  const std::wstring path = PatchInfoFilePath(folder, patchInfoPath);
  if (path.empty()) return defaultVersion;
  const std::optional<std::string> bytes = ReadAllBytes(path);
  if (!bytes) return defaultVersion;
  return VersionFromPatchInfo(*bytes, defaultVersion);
}

}  // namespace zefo
