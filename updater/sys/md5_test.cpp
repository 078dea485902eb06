#include "updater/sys/md5.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "updater/sys/text.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;

std::string Md5Of(const std::string& data) {
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(data.data()), static_cast<std::uint32_t>(data.size()));
  hash.finalize();
  return hash.digest2hexstring();
}

// The path as the wide text the update code holds.
std::wstring WidePath(const fs::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return ToWideString(path.string());
#endif
}

// Deterministic bytes, the same on every platform.
std::string Generated(std::size_t size) {
  std::string data(size, '\0');
  std::uint32_t state = 0x12345678;
  for (char& byte : data) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>((state >> 16) & 0xFF);
  }
  return data;
}

// Collects what is written to std::cerr while it lives.
class CapturedStderr {
 public:
  CapturedStderr() : previous_(std::cerr.rdbuf(text_.rdbuf())) {}
  ~CapturedStderr() { std::cerr.rdbuf(previous_); }
  std::string text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* previous_;
};

class Md5FileTest : public ::testing::Test {
 protected:
  Md5FileTest() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = fs::temp_directory_path() / ("zefo-md5-" + std::to_string(stamp));
    fs::create_directories(root_);
  }
  ~Md5FileTest() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path Write(const fs::path& name, const std::string& data) const {
    std::ofstream(root_ / name, std::ios::binary) << data;
    return root_ / name;
  }

  fs::path root_;
};

TEST(Md5Test, MatchesTheRfc1321TestSuite) {
  const struct {
    const char* message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Md5Of(c.message), c.digest) << c.message;
    std::istringstream stream(c.message);
    EXPECT_EQ(MD5_hash(stream).digest2hexstring(), c.digest) << c.message;
  }
}

TEST(Md5Test, PiecesGiveTheSameDigestAsTheWhole) {
  const std::string data = Generated(3000);
  const std::string whole = Md5Of(data);
  for (const std::size_t split : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 1024u, 2999u, 3000u}) {
    MD5_hash hash;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    hash.update(bytes, static_cast<std::uint32_t>(split));
    hash.update(bytes + split, static_cast<std::uint32_t>(data.size() - split));
    hash.finalize();
    EXPECT_EQ(hash.digest2hexstring(), whole) << "split at " << split;
  }
}

TEST(Md5Test, CountsBitsBeyondThirtyTwo) {
  // 512 MiB and more overflow the low word of the bit count.
  const std::vector<unsigned char> zeros(1 << 20);
  MD5_hash hash;
  for (int i = 0; i < 512; ++i) hash.update(zeros.data(), static_cast<std::uint32_t>(zeros.size()));
  hash.update(zeros.data(), 1000);
  hash.finalize();
  EXPECT_EQ(hash.digest2hexstring(), "b0b9022bf39b2600fd66892a61a628c7");
}

TEST(Md5Test, MisuseIsReportedOnStandardErrorAndChangesNothing) {
  MD5_hash hash;
  {
    CapturedStderr err;
    EXPECT_EQ(hash.digest2hexstring(), "");
    EXPECT_EQ(err.text(),
              "MD5_hash::digest2hexstring: Can't get digest if you haven't finalized the digest!\n");
  }
  hash.update(reinterpret_cast<const unsigned char*>("abc"), 3);
  hash.finalize();
  CapturedStderr err;
  hash.finalize();
  hash.update(reinterpret_cast<const unsigned char*>("x"), 1);
  EXPECT_EQ(err.text(),
            "MD5_hash::finalize:  Already finalized this digest!\n"
            "MD5_hash::update: Can't update a finalized digest!\n");
  EXPECT_EQ(hash.digest2hexstring(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5Test, DigestToHexIsLowercaseAndZeroPadded) {
  unsigned char digest[16] = {0x0a, 0xff, 0x00, 0x10};
  EXPECT_EQ(DigestToHex(digest), "0aff0010000000000000000000000000");
}

// Sizes around the 1,024-byte reads and the 64-byte blocks, and a few MiB.
// The digests were taken once with md5sum from Generated(size).
const struct {
  std::size_t size;
  const char* digest;
} kGeneratedFiles[] = {
    {0, "d41d8cd98f00b204e9800998ecf8427e"},
    {1, "7694f4a66316e53c8cdd9d9954bd611d"},
    {63, "b711db78f454a1fff77814be34dc2ec2"},
    {64, "760ad851b163347889f90274fc07a130"},
    {1023, "82f02524f693819282ba6bf5404a84b5"},
    {1024, "48fffa6553791d0e478be82190758c09"},
    {1025, "bb20b7b1d737febaa3efcd2862985ff9"},
    {5 * 1024 * 1024 + 3, "f0543339f038f24af0a027768149c2bf"},
};

#ifndef _WIN32
std::string Md5sumProgram(const fs::path& file) {
  std::FILE* pipe = popen(("md5sum '" + file.string() + "'").c_str(), "r");
  if (pipe == nullptr) return "(md5sum did not start)";
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  return read ? std::string(line).substr(0, 32) : "(no output from md5sum)";
}
#endif

TEST_F(Md5FileTest, FilesMatchMd5sum) {
  for (const auto& file : kGeneratedFiles) {
    const fs::path path = Write("g" + std::to_string(file.size) + ".bin", Generated(file.size));
    CapturedStderr err;
    EXPECT_EQ(FileMD5Hex(path.string()), file.digest) << file.size;
    EXPECT_EQ(FileMD5HexW(WidePath(path)), file.digest) << file.size;
#ifndef _WIN32
    EXPECT_EQ(Md5sumProgram(path), file.digest) << file.size;
#endif
    EXPECT_EQ(err.text(), "");
  }
}

TEST_F(Md5FileTest, StreamsAreReadUntranslated) {
  const std::string text = "line\r\nnext\x1a\r\n\n";
  const fs::path path = Write("text.txt", text);
  EXPECT_EQ(FileMD5HexW(WidePath(path)), Md5Of(text));
  const fs::path wide = Write(fs::u8path("\xED\x95\x9C\xEA\xB5\xAD.dll"), "bytes");
  EXPECT_EQ(FileMD5HexW(WidePath(wide)), Md5Of("bytes"));
}

TEST_F(Md5FileTest, UnreadablePathsGiveNoDigest) {
  CapturedStderr err;
  EXPECT_EQ(FileMD5Hex((root_ / "missing.bin").string()), "");
  EXPECT_EQ(FileMD5HexW(WidePath(root_ / "missing.bin")), "");
  EXPECT_EQ(FileMD5HexW(WidePath(root_)), "") << "a folder has no digest";
  EXPECT_EQ(err.text(), "");
}

}  // namespace
}  // namespace zefo
