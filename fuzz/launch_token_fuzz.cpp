// The command line: the launch token taken from "TAVRIN" arguments, its hash
// sent to a running launcher, and the parameters the launcher is started
// with ("ZEFO_Restart" never among them). Arguments are the input split at
// zero bytes, read as the narrow text a command line arrives in.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/app/launch_token.h"
#include "updater/app/launcher_start.h"
#include "updater/app/string_hash.h"
#include "updater/sys/text.h"

namespace {

std::vector<std::wstring> Arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::wstring> arguments;
  if (size == 0) return arguments;
  std::string current;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == 0) {
      arguments.push_back(zefo::ToWideString(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::wstring> arguments = Arguments(data, size);

  const std::wstring untouched = L"(none)";
  std::wstring token = untouched;
  const bool parsed = zefo::ParseLaunchToken(arguments, token);
  ZEFO_FUZZ_CHECK(parsed == !arguments.empty());
  bool marked = false;
  bool inMarkedArgument = false;
  for (const std::wstring& argument : arguments) {
    if (argument.find(L"TAVRIN") == std::wstring::npos) continue;
    marked = true;
    inMarkedArgument = inMarkedArgument || argument.find(token) != std::wstring::npos;
  }
  if (token != untouched) {
    // A field of a "TAVRIN" argument: never a ':' in it, never longer than it.
    ZEFO_FUZZ_CHECK(marked && inMarkedArgument);
    ZEFO_FUZZ_CHECK(token.find(L':') == std::wstring::npos);
    ZEFO_FUZZ_CHECK(zefo::StringHash(token) < zefo::kStringHashModulus);
  } else {
    ZEFO_FUZZ_CHECK(marked || token == untouched);
  }

  // "ZEFO_Starter ", then the arguments but "ZEFO_Restart", each followed by
  // a space unless it is the last of the updater's arguments.
  std::wstring expected = L"ZEFO_Starter ";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == L"ZEFO_Restart") continue;
    expected += arguments[i];
    if (i + 1 < arguments.size()) expected += L' ';
  }
  ZEFO_FUZZ_CHECK(zefo::LauncherParameters(arguments) == expected);
  return 0;
}
