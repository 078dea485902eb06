#include "migration/command_parsing.h"

namespace zefo {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

// Letters compared without case, '\' and '/' as the same separator.
bool SameForMatching(wchar_t a, wchar_t b) {
  if (IsSeparator(a) && IsSeparator(b)) return true;
  return FoldAscii(a) == FoldAscii(b);
}

bool MatchesAt(const std::wstring& text, std::size_t pos, const std::wstring& part) {
  if (pos + part.size() > text.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (!SameForMatching(text[pos + i], part[i])) return false;
  }
  return true;
}

std::size_t FindIgnoringCase(const std::wstring& text, const std::wstring& part) {
  for (std::size_t pos = 0; pos + part.size() <= text.size(); ++pos) {
    if (MatchesAt(text, pos, part)) return pos;
  }
  return std::wstring::npos;
}

}  // namespace

std::wstring ExecutablePathFromCommand(const std::wstring& command) {
  if (!command.empty() && command[0] == L'"') {
    const std::size_t closing = command.find(L'"', 1);
    if (closing == std::wstring::npos) return std::wstring();
    return command.substr(1, closing - 1);
  }
  const std::size_t exe = FindIgnoringCase(command, L".exe");
  if (exe != std::wstring::npos) return command.substr(0, exe + 4);
  const std::size_t blank = command.find(L' ');
  if (blank != std::wstring::npos && blank >= 1) return command.substr(0, blank);
  return command;
}

GameLocation SplitExecutablePath(const std::wstring& path) {
  GameLocation location;
  const std::size_t separator = path.find_last_of(L"\\/");
  std::wstring fileName = path;
  if (separator != std::wstring::npos) {
    location.folder = path.substr(0, separator + 1);
    fileName = path.substr(separator + 1);
  }
  const std::size_t first = fileName.find_first_not_of(L"\" ");
  if (first != std::wstring::npos) {
    location.fileName = fileName.substr(first, fileName.find_last_not_of(L"\" ") - first + 1);
  }
  return location;
}

std::wstring RemoveLauncherSubfolder(const std::wstring& folder, const std::wstring& subfolder) {
  std::wstring tail = subfolder;
  if (tail.empty() || !IsSeparator(tail.back())) tail += L'\\';
  if (tail.size() > folder.size()) return folder;
  const std::size_t start = folder.size() - tail.size();
  // Only whole folder names count: "OxaLauncher\" does not end in "Launcher\".
  if (start > 0 && !IsSeparator(folder[start - 1])) return folder;
  if (!MatchesAt(folder, start, tail)) return folder;
  return folder.substr(0, start);
}

std::optional<GameLocation> LocateGame(const std::wstring& command, const GameEntry& game) {
  const std::wstring path = ExecutablePathFromCommand(command);
  if (path.empty()) return std::nullopt;
  GameLocation location = SplitExecutablePath(path);
  if (!game.exeName.empty()) {
    location.fileName = game.exeName;
  } else if (game.launcherSubfolder.size() > 2) {
    location.folder = RemoveLauncherSubfolder(location.folder, game.launcherSubfolder);
  }
  return location;
}

}  // namespace zefo
