// ANSI text becomes UTF-8.
#include "updater/diag/ansi_utf8.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace zefo {
namespace {

TEST(AnsiUtf8Win32Test, CodePageTextBecomesUtf8) {
  EXPECT_EQ(AnsiToUtf8("plain text\r\n"), "plain text\r\n");
  char ansi[8] = {};
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, 0, L"\u00E9", 1, ansi, sizeof ansi, nullptr, &lossy);
  if (length <= 0 || lossy) GTEST_SKIP() << "the ANSI code page has no e-acute";
  EXPECT_EQ(AnsiToUtf8(std::string(ansi, length) + "!"), "\xC3\xA9!");
}

}  // namespace
}  // namespace zefo
