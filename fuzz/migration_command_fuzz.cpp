// The migration's reading of an old launcher's protocol command: the
// executable's path is a piece of the command, its folder a prefix of that
// path ending in a separator, the file name free of separators and of the
// quotes and blanks around it; each game's location is formed from these
// pieces and the game table only.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "migration/command_parsing.h"
#include "migration/game_table.h"
#include "updater/sys/text.h"

namespace {

bool EndsWithSeparator(const std::wstring& text) {
  return !text.empty() && (text.back() == L'\\' || text.back() == L'/');
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<zefo::GameEntry> games = zefo::BuildGameTable();
  const std::wstring command = zefo::ToWideString(std::string(reinterpret_cast<const char*>(data), size));

  const std::wstring path = zefo::ExecutablePathFromCommand(command);
  ZEFO_FUZZ_CHECK(command.find(path) != std::wstring::npos);
  if (!command.empty() && command[0] == L'"') ZEFO_FUZZ_CHECK(path.find(L'"') == std::wstring::npos);

  const zefo::GameLocation split = zefo::SplitExecutablePath(path);
  ZEFO_FUZZ_CHECK(StartsWith(path, split.folder));
  ZEFO_FUZZ_CHECK(split.folder.empty() || EndsWithSeparator(split.folder));
  ZEFO_FUZZ_CHECK(split.fileName.find_first_of(L"\\/") == std::wstring::npos);
  if (!split.fileName.empty()) {
    for (const wchar_t end : {split.fileName.front(), split.fileName.back()}) {
      ZEFO_FUZZ_CHECK(end != L'"' && end != L' ');
    }
  }

  for (const zefo::GameEntry& game : games) {
    const std::wstring trimmed = zefo::RemoveLauncherSubfolder(split.folder, game.launcherSubfolder);
    ZEFO_FUZZ_CHECK(StartsWith(split.folder, trimmed));
    ZEFO_FUZZ_CHECK(trimmed.empty() || trimmed == split.folder || EndsWithSeparator(trimmed));

    const std::optional<zefo::GameLocation> location = zefo::LocateGame(command, game);
    ZEFO_FUZZ_CHECK(location.has_value() == !path.empty());
    if (!location) continue;
    ZEFO_FUZZ_CHECK(StartsWith(split.folder, location->folder));
    ZEFO_FUZZ_CHECK(location->fileName == (game.exeName.empty() ? split.fileName : game.exeName));
  }
  return 0;
}
