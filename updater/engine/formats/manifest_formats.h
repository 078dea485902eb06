// Reading and writing the patch server's files. The updater reads them; the
// publishing tool writes them. Keeping both sides here means they cannot drift.
//
// Binary integers are 32-bit signed little-endian. Text fields are narrow
// (ANSI) and hold at most 511 bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zefo {

constexpr std::size_t kMaxFieldBytes = 511;

// "VersionHash.inf": count, then per record: name length, name bytes (a zero
// byte ends the name early), 16 digest bytes.
struct VersionHashRecord {
  std::string name;  // path below the program folder, '\' separated
  unsigned char digest[16] = {};
};
struct VersionHashContents {
  std::vector<VersionHashRecord> records;  // every complete record, in file order
  bool complete = true;  // false: a length outside 0..511 or the data ended early
};
VersionHashContents ReadVersionHashFile(std::FILE* file);
bool WriteVersionHashFile(std::FILE* file, const std::vector<VersionHashRecord>& records);

// "FullPatchInfo.inf": count, then per record: install path (length, bytes),
// remote path (length, bytes), 16 digest bytes.
struct FullPatchRecord {
  std::string installPath;  // below the program folder, '\' separated
  std::string remotePath;   // below the base address, '/' separated
  std::string digestText;   // 32 lowercase hexadecimal characters
  unsigned char digest[16] = {};
};
struct FullPatchContents {
  std::vector<FullPatchRecord> records;
  bool complete = true;  // false: a bad length or the data ended before the count
};
FullPatchContents ReadFullPatchFile(std::FILE* file);
bool WriteFullPatchFile(std::FILE* file, const std::vector<FullPatchRecord>& records);

// "download_info.txt": one '/'-separated path per line, the list ending at the
// first empty line; lines of more than 511 characters end the list after their
// first 511. Text mode: "\r\n" and "\n" both end a line.
std::vector<std::string> ReadDownloadList(std::FILE* file);
bool WriteDownloadList(std::FILE* file, const std::vector<std::string>& names);

// "VersionInfo.txt": the first line (at most 511 characters) read as atoi reads it.
std::int32_t ReadVersionInfo(std::FILE* file);
bool WriteVersionInfo(std::FILE* file, std::int32_t version);

// True when `name` stays inside the folder it is relative to: not empty, not
// absolute, no drive or root, no ".." component (either separator).
bool IsContainedRelativePath(const std::string& name);

}  // namespace zefo
