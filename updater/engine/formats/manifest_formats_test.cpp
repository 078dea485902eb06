#include "updater/engine/formats/manifest_formats.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace zefo {
namespace {

// A scratch file holding given bytes, opened for binary reading and writing.
class ScratchFile {
 public:
  ScratchFile() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("zefo_formats_") + info->test_suite_name() + "_" + info->name() + ".bin");
    file_ = std::fopen(path_.string().c_str(), "w+b");
  }
  ~ScratchFile() {
    if (file_) std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  std::FILE* WithBytes(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    return Rewound();
  }
  std::FILE* Rewound() {
    std::fflush(file_);
    std::rewind(file_);
    return file_;
  }
  std::FILE* get() const { return file_; }
  std::string Bytes() {
    std::FILE* f = Rewound();
    std::string bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(c));
    return bytes;
  }

 private:
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
};

std::string Int32(std::int32_t value) {
  std::uint32_t raw;
  std::memcpy(&raw, &value, sizeof raw);
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((raw >> (8 * i)) & 0xFF));
  return bytes;
}

std::string Field(const std::string& text) { return Int32(static_cast<std::int32_t>(text.size())) + text; }

std::string Digest(unsigned char first) {
  std::string bytes(16, '\x11');
  bytes[0] = static_cast<char>(first);
  return bytes;
}

VersionHashRecord HashRecord(const std::string& name, unsigned char first) {
  VersionHashRecord record;
  record.name = name;
  std::memset(record.digest, 0x11, sizeof record.digest);
  record.digest[0] = first;
  return record;
}

std::vector<std::string> Names(const VersionHashContents& contents) {
  std::vector<std::string> names;
  for (const auto& record : contents.records) names.push_back(record.name);
  return names;
}

// --- VersionHash.inf ---

TEST(VersionHashFile, WrittenRecordsReadBackExactly) {
  ScratchFile scratch;
  const std::vector<VersionHashRecord> records = {HashRecord("ZEFOLauncher.exe", 0x00),
                                                  HashRecord("x64\\ZLauncher.exe", 0xFF),
                                                  HashRecord(std::string(kMaxFieldBytes, 'n'), 0x0A)};
  ASSERT_TRUE(WriteVersionHashFile(scratch.get(), records));
  // Little-endian count and lengths, names without a terminating zero.
  EXPECT_EQ(scratch.Bytes().substr(0, 4 + 4 + 16), Int32(3) + Field("ZEFOLauncher.exe"));

  const VersionHashContents read = ReadVersionHashFile(scratch.Rewound());
  EXPECT_TRUE(read.complete);
  ASSERT_EQ(read.records.size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(read.records[i].name, records[i].name);
    EXPECT_EQ(0, std::memcmp(read.records[i].digest, records[i].digest, 16));
  }
}

TEST(VersionHashFile, WriterRefusesNamesTheReaderCannotReturn) {
  for (const std::string& name : {std::string(kMaxFieldBytes + 1, 'n'), std::string("a\0b", 3)}) {
    ScratchFile scratch;
    EXPECT_FALSE(WriteVersionHashFile(scratch.get(), {HashRecord(name, 1)})) << name.size();
  }
}

TEST(VersionHashFile, ReadsByTheEngineRules) {
  const std::string goodA = Field("a.dll") + Digest(1);
  const std::string goodB = Field("b.dll") + Digest(2);
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> names;
    bool complete;
  };
  const std::vector<Case> cases = {
      {"empty file", "", {}, false},
      {"count zero", Int32(0) + goodA, {}, true},
      {"negative count", Int32(-3) + goodA, {}, true},
      {"length counting a terminating zero", Int32(2) + Field(std::string("a.dll\0", 6)) + Digest(1) + goodB,
       {"a.dll", "b.dll"}, true},
      {"zero inside the name ends it", Int32(1) + Field(std::string("ab\0cd", 5)) + Digest(1), {"ab"}, true},
      {"shorter name after a longer one", Int32(2) + Field("longer\\name.txt") + Digest(1) + Field("x") + Digest(2),
       {"longer\\name.txt", "x"}, true},
      {"empty name", Int32(1) + Field("") + Digest(1), {""}, true},
      {"length above 511", Int32(3) + goodA + Int32(512) + std::string(512, 'n') + Digest(1) + goodB,
       {"a.dll"}, false},
      {"negative length", Int32(2) + goodA + Int32(-1) + goodB, {"a.dll"}, false},
      {"ends inside a length", Int32(2) + goodA + "\x05\x00", {"a.dll"}, false},
      {"ends inside a name", Int32(2) + goodA + Int32(5) + "b.d", {"a.dll"}, false},
      {"ends inside a digest", Int32(2) + goodA + Field("b.dll") + std::string(15, 'd'), {"a.dll"}, false},
      {"count above the records", Int32(INT32_MAX) + goodA + goodB, {"a.dll", "b.dll"}, false},
  };
  for (const Case& c : cases) {
    ScratchFile scratch;
    const VersionHashContents read = ReadVersionHashFile(scratch.WithBytes(c.bytes));
    EXPECT_EQ(Names(read), c.names) << c.what;
    EXPECT_EQ(read.complete, c.complete) << c.what;
  }
}

// --- FullPatchInfo.inf ---

TEST(FullPatchFile, WrittenRecordsReadBackWithDigestText) {
  FullPatchRecord record;
  record.installPath = "x64\\ZLauncher.exe";
  record.remotePath = "104/x64/ZLauncher.exe";
  const unsigned char digest[16] = {0x00, 0x0A, 0xFF, 0x10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xab, 0xcd, 0xef};
  std::memcpy(record.digest, digest, 16);
  ScratchFile scratch;
  ASSERT_TRUE(WriteFullPatchFile(scratch.get(), {record, record}));

  const FullPatchContents read = ReadFullPatchFile(scratch.Rewound());
  EXPECT_TRUE(read.complete);
  ASSERT_EQ(read.records.size(), 2u);
  EXPECT_EQ(read.records[1].installPath, "x64\\ZLauncher.exe");
  EXPECT_EQ(read.records[1].remotePath, "104/x64/ZLauncher.exe");
  EXPECT_EQ(read.records[1].digestText, "000aff10010203040506070809abcdef");
  EXPECT_EQ(0, std::memcmp(read.records[1].digest, digest, 16));
}

TEST(FullPatchFile, StopsAtABadFieldKeepingEarlierRecords) {
  const std::string good = Field("a.dll") + Field("101/a.dll") + Digest(1);
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t records;
    bool complete;
  };
  const std::vector<Case> cases = {
      {"empty file", "", 0, false},
      {"count zero", Int32(0), 0, true},
      {"negative count", Int32(-1) + good, 0, true},
      {"install path too long", Int32(2) + good + Int32(600) + std::string(600, 'p'), 1, false},
      {"remote path negative", Int32(2) + good + Field("b") + Int32(-7), 1, false},
      {"ends before the count", Int32(3) + good + good, 2, false},
      {"ends inside the digest", Int32(2) + good + Field("b") + Field("101/b") + "\x01", 1, false},
  };
  for (const Case& c : cases) {
    ScratchFile scratch;
    const FullPatchContents read = ReadFullPatchFile(scratch.WithBytes(c.bytes));
    EXPECT_EQ(read.records.size(), c.records) << c.what;
    EXPECT_EQ(read.complete, c.complete) << c.what;
    for (const auto& record : read.records) EXPECT_EQ(record.remotePath, "101/a.dll") << c.what;
  }
}

TEST(FullPatchFile, WriterRefusesOverlongFields) {
  FullPatchRecord record;
  record.installPath = "a.dll";
  record.remotePath = std::string(kMaxFieldBytes + 1, 'r');
  ScratchFile scratch;
  EXPECT_FALSE(WriteFullPatchFile(scratch.get(), {record}));
}

// --- download_info.txt ---

TEST(DownloadList, ReadsLinesUntilTheFirstEmptyOne) {
  const std::string line510(510, 'a');
  const std::string line511(511, 'b');
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"empty file", "", {}},
      {"line feeds", "x86/ZLauncher.exe\nlibcurl.dll\n", {"x86/ZLauncher.exe", "libcurl.dll"}},
      {"carriage returns and line feeds", "x86/ZLauncher.exe\r\nlibcurl.dll\r\n", {"x86/ZLauncher.exe", "libcurl.dll"}},
      {"no line end at the end", "a\nb", {"a", "b"}},
      {"blank line ends the list", "a\n\nb\n", {"a"}},
      {"blank first line", "\r\na\n", {}},
      {"510 characters fit", line510 + "\nz\n", {line510, "z"}},
      {"511 characters end the list", line511 + "\nz\n", {line511}},
      {"longer line ends after 511", line511 + "tail\nz\n", {line511}},
      {"case and spaces kept", " Mixed Case.TXT\n", {" Mixed Case.TXT"}},
  };
  for (const Case& c : cases) {
    ScratchFile scratch;
    EXPECT_EQ(ReadDownloadList(scratch.WithBytes(c.bytes)), c.names) << c.what;
  }
}

TEST(DownloadList, WriterRoundTripsAndRefusesUnreadableNames) {
  const std::vector<std::string> names = {"ZEFOLauncher_New.exe", "x64/ZLauncher.exe", std::string(510, 'n')};
  ScratchFile scratch;
  ASSERT_TRUE(WriteDownloadList(scratch.get(), names));
  EXPECT_EQ(ReadDownloadList(scratch.Rewound()), names);

  for (const std::string& bad : {std::string(), std::string(511, 'n'), std::string("a\nb"), std::string("a\r"),
                                 std::string("a\0b", 3)}) {
    ScratchFile refused;
    EXPECT_FALSE(WriteDownloadList(refused.get(), {"ok", bad})) << bad.size();
  }
}

// --- VersionInfo.txt ---

TEST(VersionInfo, FirstLineReadAsAtoiReadsIt) {
  struct Case {
    std::string bytes;
    std::int32_t version;
  };
  const std::vector<Case> cases = {
      {"130\n", 130},          {" 130abc\n", 130},       {"abc\n", 0},
      {"-5\n", -5},            {"+7", 7},                {"\n130\n", 0},
      {"104\r\n99\r\n", 104},  {"\t\v\f 42", 42},        {"", 0},
      {"- 5", 0},              {"2147483647", INT32_MAX}, {"99999999999", INT32_MAX},
      {"-2147483648", INT32_MIN}, {"-99999999999", INT32_MIN},
      {std::string(511, '0') + "7", 0},  // only the first 511 characters count
  };
  for (const Case& c : cases) {
    ScratchFile scratch;
    EXPECT_EQ(ReadVersionInfo(scratch.WithBytes(c.bytes)), c.version) << c.bytes;
  }
}

TEST(VersionInfo, WrittenVersionReadsBack) {
  for (std::int32_t version : {104, 0, -5, INT32_MAX}) {
    ScratchFile scratch;
    ASSERT_TRUE(WriteVersionInfo(scratch.get(), version));
    EXPECT_EQ(ReadVersionInfo(scratch.Rewound()), version);
  }
}

// --- names ---

TEST(ContainedRelativePath, AcceptsOnlyNamesBelowTheFolder) {
  for (const char* name : {"a.dll", "x64/ZLauncher.exe", "x64\\ZLauncher.exe", "a..b/c", "..a", "a/./b", "a//b",
                           ".hidden", "a/b.."}) {
    EXPECT_TRUE(IsContainedRelativePath(name)) << name;
  }
  for (const char* name : {"", "/etc/passwd", "\\x", "\\\\server\\share\\x", "C:\\x", "C:x", "c:/x", "..",
                           "../x", "..\\x", "a/../b", "a\\..\\b", "a/..", "a/.. /b", "a/.../b", "file:stream"}) {
    EXPECT_FALSE(IsContainedRelativePath(name)) << name;
  }
}

}  // namespace
}  // namespace zefo
