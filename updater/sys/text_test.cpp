#include "updater/sys/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace zefo {
namespace {

TEST(TextTest, ToWideNeedsRoomForTheTerminator) {
  wchar_t buffer[16];
  std::wmemset(buffer, L'#', 16);
  EXPECT_FALSE(ToWide("0123456789", buffer, 10));
  EXPECT_EQ(buffer[0], L'#') << "a failed conversion leaves the buffer untouched";
  ASSERT_TRUE(ToWide("0123456789", buffer, 11));
  EXPECT_STREQ(buffer, L"0123456789");
  ASSERT_TRUE(ToWide("", buffer, 1));
  EXPECT_STREQ(buffer, L"");
  EXPECT_FALSE(ToWide("", buffer, 0));
}

TEST(TextTest, ToNarrowNeedsRoomForTheTerminator) {
  char buffer[16];
  EXPECT_FALSE(ToNarrow(L"0123456789", buffer, 10));
  ASSERT_TRUE(ToNarrow(L"0123456789", buffer, 11));
  EXPECT_STREQ(buffer, "0123456789");
}

#ifndef _WIN32
// Narrow text is UTF-8 on Linux, independent of the locale.
TEST(TextTest, Utf8RoundTripsEveryPlane) {
  const std::string narrow = "Gr\xC3\xB6\xC3\x9F" "e \xED\x95\x9C \xF0\x9F\x98\x80";
  const std::wstring wide = L"Gr\u00F6\u00DFe \uD55C \U0001F600";
  EXPECT_EQ(ToWideString(narrow), wide);
  EXPECT_EQ(ToNarrowString(wide), narrow);

  wchar_t buffer[8];
  EXPECT_FALSE(ToWide("\xED\x95\x9C\xED\x95\x9C", buffer, 2)) << "two characters need three units";
  ASSERT_TRUE(ToWide("\xED\x95\x9C\xED\x95\x9C", buffer, 3));
  EXPECT_STREQ(buffer, L"\uD55C\uD55C");
  char narrowBuffer[8];
  EXPECT_FALSE(ToNarrow(L"\uD55C\uD55C", narrowBuffer, 6)) << "six bytes plus the terminator";
  EXPECT_TRUE(ToNarrow(L"\uD55C\uD55C", narrowBuffer, 7));
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacters) {
  const struct {
    const char* narrow;
    std::wstring wide;
  } cases[] = {
      {"a\x80z", L"a\uFFFDz"},                       // stray continuation byte
      {"\xC0\xAF", L"\uFFFD\uFFFD"},                 // overlong '/'
      {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},       // overlong three-byte form
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},       // encoded surrogate
      {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE2\x82z", L"\uFFFDz"},                     // truncated sequence, one mark
      {"\xF0\x9F\x98", L"\uFFFD"},                   // truncated at the end
      {"\xFF\xFE", L"\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToWideString(c.narrow), c.wide) << c.narrow;
}

TEST(TextTest, UnencodableWideTextBecomesReplacementCharacters) {
  EXPECT_EQ(ToNarrowString(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(ToNarrowString(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
  // A UTF-16 pair carried in a wide string is still one character.
  const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  EXPECT_EQ(ToNarrowString(pair), "\xF0\x9F\x98\x80");
}
#endif

TEST(TextTest, AsciiRoundTrips) {
  std::string all;
  for (int c = 1; c < 0x80; ++c) all += static_cast<char>(c);
  EXPECT_EQ(ToNarrowString(ToWideString(all)), all);
}

TEST(TextTest, FormatToWritesOrEmptiesTheBuffer) {
  char buffer[5];
  EXPECT_EQ(FormatTo(buffer, sizeof buffer, "%d%%", 100), 4);
  EXPECT_STREQ(buffer, "100%");
  EXPECT_EQ(FormatTo(buffer, sizeof buffer, "%d%%", 1000), -1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(FormatTo(buffer, 0, "x"), -1);

  char path[kTextBufferSize];
  EXPECT_EQ(FormatTo(path, "%s/%04d/%02x/%lu", "Output", 7, 10u, 4000000000ul), 25);
  EXPECT_STREQ(path, "Output/0007/0a/4000000000");
  const std::string longest(kTextBufferSize - 1, 'x');
  EXPECT_EQ(FormatTo(path, "%s", longest.c_str()), static_cast<int>(longest.size()));
  EXPECT_EQ(FormatTo(path, "%s!", longest.c_str()), -1);
  EXPECT_STREQ(path, "");
}

TEST(TextTest, FormatToWWritesOrEmptiesTheBuffer) {
  wchar_t buffer[5];
  EXPECT_EQ(FormatToW(buffer, 5, L"%d%%", 100), 4);
  EXPECT_STREQ(buffer, L"100%");
  EXPECT_EQ(FormatToW(buffer, 5, L"%d%%", 1000), -1);
  EXPECT_STREQ(buffer, L"");
  EXPECT_EQ(FormatToW(buffer, 5, L"%s", L"12345"), -1);
  EXPECT_STREQ(buffer, L"");

  wchar_t path[kTextBufferSize];
  const std::wstring longest(kTextBufferSize - 1, L'x');
  EXPECT_EQ(FormatToW(path, L"%s", longest.c_str()), static_cast<int>(longest.size()));
  EXPECT_EQ(FormatToW(path, L"%s!", longest.c_str()), -1);
  EXPECT_STREQ(path, L"");
}

TEST(TextTest, FormatToWTakesWideStringsAndCharacters) {
  const struct {
    const wchar_t* format;
    const wchar_t* expected;
  } cases[] = {
      {L"%s\\Launcher", L"Output\\Launcher"},
      {L"[%8s]", L"[  Output]"},
      {L"[%-8s]", L"[Output  ]"},
      {L"[%.3s]", L"[Out]"},
      {L"%%s %s", L"%s Output"},
      {L"%ls", L"Output"},
  };
  wchar_t buffer[kTextBufferSize];
  for (const auto& c : cases) {
    FormatToW(buffer, c.format, L"Output");
    EXPECT_STREQ(buffer, c.expected) << c.format;
  }
  EXPECT_EQ(FormatToW(buffer, L"%c%c|%3c|%d", L'x', L'\u00E9', L'y', 42), 9);
  EXPECT_STREQ(buffer, L"x\u00E9|  y|42");
  EXPECT_EQ(FormatToW(buffer, L"%s_%s", L"\uD55C\uAD6D", L"kr"), 5);
  EXPECT_STREQ(buffer, L"\uD55C\uAD6D_kr");
}

TEST(TextTest, SplitStringReadsFieldsLikeLines) {
  const struct {
    std::string text;
    std::vector<std::string> fields;
  } cases[] = {
      {"a/b//c", {"a", "b", "", "c"}},
      {"a/b/", {"a", "b"}},
      {"abc", {"abc"}},
      {"", {}},
      {"/", {""}},
      {"//x", {"", "", "x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitString(c.text, '/'), c.fields) << c.text;
  EXPECT_EQ(SplitString(std::wstring(L"x64\\ZLauncher.exe"), L'\\'),
            (std::vector<std::wstring>{L"x64", L"ZLauncher.exe"}));
  EXPECT_EQ(SplitString(std::wstring(L"a\\"), L'\\'), std::vector<std::wstring>{L"a"});
}

TEST(TextTest, TrimStringDropsSetCharactersAtBothEnds) {
  const std::string set = " \t\n\v";
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"  x\t", "x"},
      {" a b ", "a b"},
      {" \t\n\v", ""},
      {"", ""},
      {"\fx\f", "\fx\f"},
      {"x", "x"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimString(c.text, set), c.expected) << c.text;
}

}  // namespace
}  // namespace zefo
