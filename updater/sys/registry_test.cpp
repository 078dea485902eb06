#include "updater/sys/registry.h"

#include <gtest/gtest.h>

#include "updater/sys/registry_test_support.h"

namespace zefo {
namespace {

class RegistryOperationsTest : public RegistryTest {
 protected:
  void Put(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
    const auto key = store_.CreateKey(RegistryRoot::kCurrentUser, path_);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->SetValue(name, type, data), RegistryResult::kOk);
  }
  std::wstring ReadText(const std::wstring& name) {
    std::wstring text = L"before";
    ReadRegistryValue(RegistryRoot::kCurrentUser, path_, name, text);
    return text;
  }
};

TEST_F(RegistryOperationsTest, MissingKeyChangesNothing) {
  EXPECT_FALSE(RegistryKeyExists(RegistryRoot::kCurrentUser, path_));
  EXPECT_EQ(ReadText(L"FILENAME"), L"before");
  std::int32_t version = 7;
  ReadRegistryDword(RegistryRoot::kCurrentUser, path_, L"VERSION", version);
  EXPECT_EQ(version, 7);
  WriteRegistryValue(RegistryRoot::kCurrentUser, path_, 104);
  EXPECT_FALSE(RegistryKeyExists(RegistryRoot::kCurrentUser, path_));
}

TEST_F(RegistryOperationsTest, KeyWithoutValuesReadsEmptyTextsAndKeepsTheNumber) {
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, path_), nullptr);
  EXPECT_TRUE(RegistryKeyExists(RegistryRoot::kCurrentUser, path_));
  EXPECT_EQ(ReadText(L"FILENAME"), L"");
  EXPECT_EQ(ReadText(L"PATH"), L"");
  std::int32_t version = 7;
  ReadRegistryDword(RegistryRoot::kCurrentUser, path_, L"VERSION", version);
  EXPECT_EQ(version, 7);
}

TEST_F(RegistryOperationsTest, TextsUpTo255CharactersAreRead) {
  const std::wstring longest(255, L'f');
  Put(L"FILENAME", kRegSz, EncodeRegString(longest));
  Put(L"Over", kRegSz, EncodeRegString(std::wstring(256, L'f')));
  Put(L"Far", kRegSz, EncodeRegString(std::wstring(300, L'f')));
  Put(L"PATH", kRegSz, EncodeRegString(L"C:\\Tavrin\\\xD55C\xAE00\\"));
  EXPECT_EQ(ReadText(L"FILENAME"), longest);
  EXPECT_EQ(ReadText(L"Over"), L"");
  EXPECT_EQ(ReadText(L"Far"), L"");
  EXPECT_EQ(ReadText(L"path"), L"C:\\Tavrin\\\xD55C\xAE00\\");
}

TEST_F(RegistryOperationsTest, NumbersReadFromFourBytes) {
  Put(L"VERSION", kRegDword, EncodeRegDword(static_cast<std::uint32_t>(-5)));
  Put(L"Wide", kRegQword, EncodeRegQword(104));
  std::int32_t version = 0;
  ReadRegistryDword(RegistryRoot::kCurrentUser, path_, L"VERSION", version);
  EXPECT_EQ(version, -5);
  ReadRegistryDword(RegistryRoot::kCurrentUser, path_, L"Wide", version);
  EXPECT_EQ(version, -5);  // eight bytes do not fit
  ReadRegistryDword(RegistryRoot::kCurrentUser, path_, L"Missing", version);
  EXPECT_EQ(version, -5);
}

TEST_F(RegistryOperationsTest, WriteStoresVersionAsDwordWhateverItWasBefore) {
  Put(L"VERSION", kRegSz, EncodeRegString(L"100"));
  WriteRegistryValue(RegistryRoot::kCurrentUser, path_, 104);
  const auto key = store_.OpenKey(RegistryRoot::kCurrentUser, path_, false);
  ASSERT_NE(key, nullptr);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(key->QueryValue(L"VERSION", 16, &type, &data), RegistryResult::kOk);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(data, EncodeRegDword(104));
  std::int32_t version = 0;
  ReadRegistryDword(RegistryRoot::kCurrentUser, path_, L"VERSION", version);
  EXPECT_EQ(version, 104);
}

TEST_F(RegistryOperationsTest, EachModeKeepsToItsKey) {
  const std::wstring live = path_ + L"\\Zlauncher";
  const std::wstring stage = path_ + L"\\Zlauncher_stage";
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, live), nullptr);
  ASSERT_NE(store_.CreateKey(RegistryRoot::kCurrentUser, stage), nullptr);
  WriteRegistryValue(RegistryRoot::kCurrentUser, stage, 104);
  std::int32_t version = 1;
  ReadRegistryDword(RegistryRoot::kCurrentUser, live, L"VERSION", version);
  EXPECT_EQ(version, 1);
  ReadRegistryDword(RegistryRoot::kCurrentUser, stage, L"VERSION", version);
  EXPECT_EQ(version, 104);
}

}  // namespace
}  // namespace zefo
