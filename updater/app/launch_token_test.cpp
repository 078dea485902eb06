#include "updater/app/launch_token.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

TEST(ParseLaunchTokenTest, FindsTheThirdFieldAfterTheMarker) {
  const struct {
    std::vector<std::wstring> arguments;
    std::wstring token;  // "(unchanged)" when none is found
  } cases[] = {
      {{L"x:TAVRIN:ABC123"}, L"ABC123"},
      {{L"zefo-run:TAVRIN:tok:extra"}, L"tok"},
      // "zefo://x" splits into "zefo", "//x": the marker is then the third field.
      {{L"zefo://x:TAVRIN:tok"}, L"(unchanged)"},
      // One list over every argument: the first match's fields come first.
      {{L"a:TAVRIN:x", L"b:TAVRIN:y"}, L"x"},
      {{L"other", L"a:TAVRIN:x"}, L"x"},
      // Empty fields between colons count.
      {{L"a:TAVRIN::x"}, L""},
      {{L":TAVRIN:x"}, L"x"},
      // The second field must be exactly the marker.
      {{L"TAVRIN:x"}, L"(unchanged)"},
      {{L"a:TAVRINx:y"}, L"(unchanged)"},
      {{L"a:tavrin:y"}, L"(unchanged)"},
      // A colon at the end adds no empty field.
      {{L"a:TAVRIN:"}, L"(unchanged)"},
      {{L"ZEFO_Restart", L"plain"}, L"(unchanged)"},
      // Fields are counted from the first matching argument's first field.
      {{L"TAVRIN:a", L"b:TAVRIN:c"}, L"(unchanged)"},
      {{L"a:TAVRIN", L"TAVRIN:tok"}, L"TAVRIN"},
  };
  for (const auto& c : cases) {
    std::wstring token = L"(unchanged)";
    EXPECT_TRUE(ParseLaunchToken(c.arguments, token)) << c.arguments.front();
    EXPECT_EQ(token, c.token) << c.arguments.front();
  }
}

TEST(ParseLaunchTokenTest, NoArgumentsIsFalse) {
  std::wstring token = L"kept";
  EXPECT_FALSE(ParseLaunchToken({}, token));
  EXPECT_EQ(token, L"kept");
}

}  // namespace
}  // namespace zefo
