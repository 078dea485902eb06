#include "updater/engine/release_signature.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <fstream>

#include "tests/support/test_folders.h"

namespace zefo {
namespace {

// A key made for these tests only; it signs nothing that is published.
struct TestKeys {
  unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
  unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
  TestKeys() {
    unsigned char seed[crypto_sign_SEEDBYTES];
    for (unsigned i = 0; i < sizeof seed; ++i) seed[i] = static_cast<unsigned char>(i * 7 + 1);
    EXPECT_GE(sodium_init(), 0);
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
  }
  ReleaseKey Key() const { return *ParseReleaseKey(HexText(publicKey, sizeof publicKey)); }
  std::string Sign(const std::string& message) const {
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                         message.size(), secretKey);
    return std::string(reinterpret_cast<char*>(signature), sizeof signature);
  }
};

TEST(ReleaseKeyTest, TakesExactlySixtyFourHexCharacters) {
  const std::string lower(64, 'a');
  ASSERT_TRUE(ParseReleaseKey(lower));
  EXPECT_EQ((*ParseReleaseKey(lower))[0], 0xaa);
  EXPECT_EQ(ParseReleaseKey(std::string(64, 'F')), ParseReleaseKey(std::string(64, 'f')));
  EXPECT_EQ(HexText(ParseReleaseKey("0f" + std::string(62, '1'))->data(), kReleaseKeyBytes),
            "0f" + std::string(62, '1'));
  for (const std::string& bad : {std::string(), std::string(63, 'a'), std::string(65, 'a'),
                                 std::string(62, 'a') + "g0", std::string(62, 'a') + " 0"}) {
    EXPECT_FALSE(ParseReleaseKey(bad)) << '"' << bad << '"';
  }
}

TEST(ReleaseSignatureTest, HoldsOnlyForTheSignedBytesAndTheSigningKey) {
  const TestKeys keys;
  const std::string message("104\nexpires=2030-01-01T00:00:00Z\n", 33);
  const std::string signature = keys.Sign(message);
  EXPECT_TRUE(SignatureMatches(keys.Key(), message, signature));

  std::string flippedMessage = message;
  flippedMessage[1] ^= 0x01;
  EXPECT_FALSE(SignatureMatches(keys.Key(), flippedMessage, signature));
  std::string flippedSignature = signature;
  flippedSignature[40] ^= 0x80;
  EXPECT_FALSE(SignatureMatches(keys.Key(), message, flippedSignature));
  EXPECT_FALSE(SignatureMatches(keys.Key(), message, signature.substr(0, 63)));
  EXPECT_FALSE(SignatureMatches(keys.Key(), message, signature + "x"));
  EXPECT_FALSE(SignatureMatches(keys.Key(), message + "\n", signature));

  ReleaseKey other = keys.Key();
  other[0] ^= 0x01;
  EXPECT_FALSE(SignatureMatches(other, message, signature));
}

TEST(ExpiryLineTest, WritesAndReadsUtcMoments) {
  struct Case {
    std::int64_t seconds;
    const char* line;
  };
  for (const Case& c : {Case{0, "expires=1970-01-01T00:00:00Z"},
                        Case{951782400 + 3661, "expires=2000-02-29T01:01:01Z"},
                        Case{1767225599, "expires=2025-12-31T23:59:59Z"},
                        Case{4107542400, "expires=2100-03-01T00:00:00Z"}}) {
    EXPECT_EQ(FormatExpiryLine(c.seconds), c.line);
    EXPECT_EQ(ParseExpiryLine(c.line), c.seconds) << c.line;
  }
}

TEST(ExpiryLineTest, RefusesAnythingButTheExactForm) {
  for (const char* bad : {"", "expires=", "expires=2030-01-01T00:00:00", "expires=2030-01-01T00:00:00Z ",
                          " expires=2030-01-01T00:00:00Z", "Expires=2030-01-01T00:00:00Z",
                          "expires=2030-01-01t00:00:00Z", "expires=2030-01-01 00:00:00Z",
                          "expires=2030-1-01T00:00:00ZZ", "expires=2030-13-01T00:00:00Z",
                          "expires=2030-00-10T00:00:00Z", "expires=2023-02-29T00:00:00Z",
                          "expires=2100-02-29T00:00:00Z", "expires=2030-04-31T00:00:00Z",
                          "expires=2030-01-01T24:00:00Z", "expires=2030-01-01T00:60:00Z",
                          "expires=2030-01-01T00:00:60Z", "expires=1969-12-31T23:59:59Z",
                          "expires=+030-01-01T00:00:00Z", "expires=2030-01-01T00:00:00+00:00"}) {
    EXPECT_FALSE(ParseExpiryLine(bad)) << bad;
  }
  EXPECT_TRUE(ParseExpiryLine("expires=2024-02-29T00:00:00Z"));
}

TEST(VersionInfoExpiryTest, ReadsTheSecondLineOnly) {
  const std::int64_t expiry = *ParseExpiryLine("expires=2030-06-01T12:00:00Z");
  struct Case {
    const char* text;
    std::int64_t now;
    ExpiryState state;
  };
  for (const Case& c : {
           Case{"104", expiry, ExpiryState::kNone},
           Case{"104\n", expiry, ExpiryState::kNone},
           Case{"104\r\n\r\nexpires=garbage\n", expiry, ExpiryState::kNone},
           Case{"104\nexpires=2030-06-01T12:00:00Z\n", expiry - 1, ExpiryState::kValid},
           Case{"104\r\nexpires=2030-06-01T12:00:00Z\r\n", expiry - 1, ExpiryState::kValid},
           Case{"104\nexpires=2030-06-01T12:00:00Z", expiry - 1, ExpiryState::kValid},
           Case{"104\nexpires=2030-06-01T12:00:00Z\n", expiry, ExpiryState::kExpired},
           Case{"104\nexpires=2030-06-01T12:00:00Z\n", expiry + 86400, ExpiryState::kExpired},
           Case{"104\nexpires=2030-06-31T12:00:00Z\n", 0, ExpiryState::kUnreadable},
           Case{"104\nsomething else\nexpires=2030-06-01T12:00:00Z\n", 0, ExpiryState::kUnreadable},
       }) {
    EXPECT_EQ(VersionInfoExpiry(c.text, c.now), c.state) << c.text;
  }
}

class SignedFileTest : public ::testing::Test {
 protected:
  std::wstring Write(const char* name, const std::string& bytes) {
    const std::filesystem::path path = folder_.path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.wstring();
  }

  TestKeys keys_;
  testing::TempFolder folder_;
};

TEST_F(SignedFileTest, TellsMissingInvalidExpiredAndValidApart) {
  const std::string info = "104\nexpires=2030-06-01T12:00:00Z\n";
  const std::int64_t before = *ParseExpiryLine("expires=2030-06-01T11:59:59Z");
  const std::wstring file = Write("VersionInfo.txt", info);
  const std::wstring signature = folder_.path().wstring() + L"/VersionInfo.txt.sig";
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, true, before), SignatureVerdict::kMissing);

  Write("VersionInfo.txt.sig", keys_.Sign(info));
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, true, before), SignatureVerdict::kValid);
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, true, before + 1), SignatureVerdict::kExpired);
  // The expiry means nothing in the other manifests.
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, false, before + 1), SignatureVerdict::kValid);

  Write("VersionInfo.txt.sig", keys_.Sign(info) + "\n");
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, true, before), SignatureVerdict::kInvalid);
  Write("VersionInfo.txt.sig", "");
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, true, before), SignatureVerdict::kInvalid);

  // A signed second line that is no expiry proves nothing about the date.
  const std::string odd = "104\nexpires soon\n";
  Write("VersionInfo.txt", odd);
  Write("VersionInfo.txt.sig", keys_.Sign(odd));
  EXPECT_EQ(CheckSignedFile(keys_.Key(), file, signature, true, before), SignatureVerdict::kExpired);
  // A manifest that is gone cannot be proven.
  EXPECT_EQ(CheckSignedFile(keys_.Key(), folder_.path().wstring() + L"/none", signature, false, before),
            SignatureVerdict::kInvalid);
}

}  // namespace
}  // namespace zefo
