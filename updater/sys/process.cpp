// The program's arguments and the Windows command-line splitting rules.
#include "updater/sys/process.h"

#include <optional>

#include "updater/sys/process_platform.h"

namespace zefo {
namespace {

std::optional<std::vector<std::wstring>>& GivenArguments() {
  static std::optional<std::vector<std::wstring>> arguments;
  return arguments;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

const std::vector<std::wstring>& ProgramArguments() {
  if (GivenArguments()) return *GivenArguments();
  static const std::vector<std::wstring> own = OwnCommandLineArguments();
  return own;
}

void SetProgramArguments(std::vector<std::wstring> arguments) {
  GivenArguments() = std::move(arguments);
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  std::vector<std::wstring> arguments;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  while (true) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i == n) break;
    std::wstring argument;
    // quotes: 0 outside quotes, 1 inside; a run of quotes counts on, every
    // third one being a literal quote.
    int quotes = 0;
    std::size_t backslashes = 0;
    while (i < n && !(IsBlank(commandLine[i]) && quotes == 0)) {
      const wchar_t c = commandLine[i++];
      if (c == L'\\') {
        argument += c;
        ++backslashes;
        continue;
      }
      if (c != L'"') {
        argument += c;
        backslashes = 0;
        continue;
      }
      argument.resize(argument.size() - backslashes / 2);
      if (backslashes % 2 == 1) {
        argument.back() = L'"';  // the last backslash escaped this quote
      } else {
        ++quotes;
      }
      backslashes = 0;
      for (; i < n && commandLine[i] == L'"'; ++i) {
        if (++quotes == 3) {
          argument += L'"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace zefo
