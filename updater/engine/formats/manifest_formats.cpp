#include "updater/engine/formats/manifest_formats.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "updater/sys/file_system.h"
#include "updater/sys/md5.h"

namespace zefo {

namespace {

constexpr std::size_t kDigestBytes = 16;

bool ReadInt32(std::FILE* file, std::int32_t* value) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
  const std::uint32_t raw = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                            (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
  std::memcpy(value, &raw, sizeof raw);  // two's complement on every target
  return true;
}

bool WriteInt32(std::FILE* file, std::int32_t value) {
  std::uint32_t raw;
  std::memcpy(&raw, &value, sizeof raw);
  const unsigned char bytes[4] = {static_cast<unsigned char>(raw), static_cast<unsigned char>(raw >> 8),
                                  static_cast<unsigned char>(raw >> 16), static_cast<unsigned char>(raw >> 24)};
  return std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
}

// One length-prefixed text field, read the way a zero-filled 512-byte buffer
// holds it: the text ends at the first zero byte. A length the buffer cannot
// hold, or bytes missing, make the field unreadable.
bool ReadField(std::FILE* file, std::string* text) {
  std::int32_t length = 0;
  if (!ReadInt32(file, &length)) return false;
  if (length < 0 || static_cast<std::size_t>(length) > kMaxFieldBytes) return false;
  char buffer[kMaxFieldBytes + 1] = {};
  if (std::fread(buffer, 1, static_cast<std::size_t>(length), file) != static_cast<std::size_t>(length)) {
    return false;
  }
  text->assign(buffer);
  return true;
}

// Writes the field without a terminating zero. A text the reader would cut
// short (an embedded zero) or could not hold is refused.
bool WriteField(std::FILE* file, const std::string& text) {
  if (text.size() > kMaxFieldBytes || text.find('\0') != std::string::npos) return false;
  if (!WriteInt32(file, static_cast<std::int32_t>(text.size()))) return false;
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool ReadDigest(std::FILE* file, unsigned char digest[kDigestBytes]) {
  return std::fread(digest, 1, kDigestBytes, file) == kDigestBytes;
}

bool WriteDigest(std::FILE* file, const unsigned char digest[kDigestBytes]) {
  return std::fwrite(digest, 1, kDigestBytes, file) == kDigestBytes;
}

bool WriteCount(std::FILE* file, std::size_t count) {
  if (count > static_cast<std::size_t>(INT32_MAX)) return false;
  return WriteInt32(file, static_cast<std::int32_t>(count));
}

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi on the text, saturating at the 32-bit limits where atoi itself would
// overflow (the Windows runtime's atoi clamps the same way).
std::int32_t ParseLikeAtoi(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsAsciiSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  const std::int64_t limit = negative ? -std::int64_t{INT32_MIN} : std::int64_t{INT32_MAX};
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) {
      value = limit;
      break;
    }
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

// "..", and forms that Windows may reduce to it by dropping the trailing dots
// and spaces of a component (".. ", "...", ". .").
bool IsParentReference(const std::string& component) {
  if (component.find_first_not_of(". ") != std::string::npos) return false;
  return std::count(component.begin(), component.end(), '.') >= 2;
}

}  // namespace

VersionHashContents ReadVersionHashFile(std::FILE* file) {
  VersionHashContents contents;
  std::int32_t count = 0;
  if (!ReadInt32(file, &count)) {
    contents.complete = false;
    return contents;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    VersionHashRecord record;
    if (!ReadField(file, &record.name) || !ReadDigest(file, record.digest)) {
      contents.complete = false;
      break;
    }
    contents.records.push_back(std::move(record));
  }
  return contents;
}

bool WriteVersionHashFile(std::FILE* file, const std::vector<VersionHashRecord>& records) {
  if (!WriteCount(file, records.size())) return false;
  for (const VersionHashRecord& record : records) {
    if (!WriteField(file, record.name) || !WriteDigest(file, record.digest)) return false;
  }
  return true;
}

FullPatchContents ReadFullPatchFile(std::FILE* file) {
  FullPatchContents contents;
  std::int32_t count = 0;
  if (!ReadInt32(file, &count)) {
    contents.complete = false;
    return contents;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    FullPatchRecord record;
    if (!ReadField(file, &record.installPath) || !ReadField(file, &record.remotePath) ||
        !ReadDigest(file, record.digest)) {
      contents.complete = false;
      break;
    }
    record.digestText = DigestToHex(record.digest);
    contents.records.push_back(std::move(record));
  }
  return contents;
}

bool WriteFullPatchFile(std::FILE* file, const std::vector<FullPatchRecord>& records) {
  if (!WriteCount(file, records.size())) return false;
  for (const FullPatchRecord& record : records) {
    if (!WriteField(file, record.installPath) || !WriteField(file, record.remotePath) ||
        !WriteDigest(file, record.digest)) {
      return false;
    }
  }
  return true;
}

std::vector<std::string> ReadDownloadList(std::FILE* file) {
  std::vector<std::string> names;
  std::string line;
  while (ReadTextLine(file, kMaxFieldBytes, &line)) {
    if (line.empty() || line.back() != '\n') {
      // The end of the file, or a line longer than the reader's buffer: what
      // was read is the last entry.
      if (!line.empty()) names.push_back(line);
      break;
    }
    line.pop_back();
    if (line.empty()) break;
    names.push_back(line);
  }
  return names;
}

bool WriteDownloadList(std::FILE* file, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    // A line of kMaxFieldBytes characters already fills the reader's buffer
    // without its line end, which would end the list there.
    if (name.empty() || name.size() >= kMaxFieldBytes ||
        name.find_first_of(std::string("\n\r\0", 3)) != std::string::npos) {
      return false;
    }
    if (std::fwrite(name.data(), 1, name.size(), file) != name.size()) return false;
    if (std::fputc('\n', file) == EOF) return false;
  }
  return true;
}

std::int32_t ReadVersionInfo(std::FILE* file) {
  std::string line;
  if (!ReadTextLine(file, kMaxFieldBytes, &line)) return 0;
  return ParseLikeAtoi(line);
}

bool WriteVersionInfo(std::FILE* file, std::int32_t version) {
  return std::fprintf(file, "%d\n", static_cast<int>(version)) > 0;
}

bool IsContainedRelativePath(const std::string& name) {
  if (name.empty()) return false;
  if (name.front() == '/' || name.front() == '\\') return false;  // root, UNC
  // A colon names a drive ("C:x" is relative to that drive's folder) or a
  // stream; neither is a plain file below the folder.
  if (name.find(':') != std::string::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (IsParentReference(name.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace zefo
