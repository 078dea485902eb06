#include "migration/command_parsing.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

struct CommandCase {
  const wchar_t* command;
  bool found;
  const wchar_t* folder;
  const wchar_t* fileName;
};

// Game without table overrides: the command alone decides.
GameEntry PlainGame() { return GameEntry{L"kr", L"mirefall", L"tavrin.mf.launcher", L"", L"", L"", 0}; }

TEST(CommandParsingTest, TakesFolderAndFileNameFromOpenCommand) {
  const CommandCase cases[] = {
      // Quoted path, quoted argument.
      {LR"("D:\Games\Bw\Run.exe" "%1")", true, LR"(D:\Games\Bw\)", L"Run.exe"},
      // Unquoted: the path ends after ".EXE", the blank inside the folder stays.
      {LR"(D:\Program Files\Game\START.EXE -url %1)", true, LR"(D:\Program Files\Game\)",
       L"START.EXE"},
      {LR"(C:\Games\Play.ExE)", true, LR"(C:\Games\)", L"Play.ExE"},
      // No ".exe": cut at the first blank, even one inside the folder.
      {LR"(D:\Tools\run.cmd %1)", true, LR"(D:\Tools\)", L"run.cmd"},
      {LR"(D:\My Tools\run.cmd %1)", true, LR"(D:\)", L"My"},
      {LR"(D:\Tools\run.cmd)", true, LR"(D:\Tools\)", L"run.cmd"},
      // A blank as first character does not cut: the whole text is the path.
      {LR"( run.cmd %1)", true, L"", L"run.cmd %1"},
      // Bare file name.
      {LR"(Play.exe %1)", true, L"", L"Play.exe"},
      // The later of '\' and '/' splits; the folder keeps it as written.
      {LR"("/home/ana/Games/Bw\Run.exe" "%1")", true, LR"(/home/ana/Games/Bw\)", L"Run.exe"},
      {LR"("D:\Games\Bw/Run.exe")", true, LR"(D:\Games\Bw/)", L"Run.exe"},
      // Blanks and quotes are trimmed from the file name only.
      {LR"("C:\My Games\ Run.exe " %1)", true, LR"(C:\My Games\)", L"Run.exe"},
      // Nothing to take: an unclosed quote, empty quotes, an empty command.
      {LR"("C:\Games\Run.exe %1)", false, L"", L""},
      {LR"("" %1)", false, L"", L""},
      {L"", false, L"", L""},
  };
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "command: " << c.command);
    const std::optional<GameLocation> location = LocateGame(c.command, PlainGame());
    ASSERT_EQ(location.has_value(), c.found);
    if (!location) continue;
    EXPECT_EQ(location->folder, c.folder);
    EXPECT_EQ(location->fileName, c.fileName);
  }
}

TEST(CommandParsingTest, TableFileNameReplacesTheCommands) {
  GameEntry game = PlainGame();
  game.exeName = L"Brightwater.exe";
  game.launcherSubfolder = L"Launcher";  // ignored when exeName is given
  const std::optional<GameLocation> location =
      LocateGame(LR"("D:\Games\Bw\Launcher\Run.exe" "%1")", game);
  ASSERT_TRUE(location);
  EXPECT_EQ(location->folder, LR"(D:\Games\Bw\Launcher\)");
  EXPECT_EQ(location->fileName, L"Brightwater.exe");
}

struct SubfolderCase {
  const wchar_t* folder;
  const wchar_t* subfolder;
  const wchar_t* expected;
};

TEST(CommandParsingTest, LauncherSubfolderComesOffTheFolder) {
  const SubfolderCase cases[] = {
      {LR"(C:\Games\Oxa\Launcher\)", L"Launcher", LR"(C:\Games\Oxa\)"},
      {LR"(C:\Games\Oxa\LAUNCHER\)", L"Launcher", LR"(C:\Games\Oxa\)"},
      {LR"(C:\Games\Oxa\Launcher\)", L"Launcher\\", LR"(C:\Games\Oxa\)"},
      {L"/home/ana/Oxa/Launcher/", L"Launcher", L"/home/ana/Oxa/"},
      {LR"(C:\Games\Oxa\Bin\Launcher\)", LR"(Bin\Launcher)", LR"(C:\Games\Oxa\)"},
      {LR"(Launcher\)", L"Launcher", L""},
      // Folders that do not end in the subfolder stay as they are.
      {LR"(C:\Games\Oxa\)", L"Launcher", LR"(C:\Games\Oxa\)"},
      {LR"(C:\Games\Oxa\Launcher\Bin\)", L"Launcher", LR"(C:\Games\Oxa\Launcher\Bin\)"},
      {LR"(C:\Games\OxaLauncher\)", L"Launcher", LR"(C:\Games\OxaLauncher\)"},
      {LR"(C:\Games\Oxa\Launcher)", L"Launcher", LR"(C:\Games\Oxa\Launcher)"},
      {L"", L"Launcher", L""},
  };
  for (const SubfolderCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.folder << " less " << c.subfolder);
    EXPECT_EQ(RemoveLauncherSubfolder(c.folder, c.subfolder), c.expected);
  }
}

TEST(CommandParsingTest, ShortLauncherSubfolderIsNotApplied) {
  GameEntry game = PlainGame();
  game.launcherSubfolder = L"La";
  const std::optional<GameLocation> location = LocateGame(LR"("C:\Oxa\La\Oxa.exe")", game);
  ASSERT_TRUE(location);
  EXPECT_EQ(location->folder, LR"(C:\Oxa\La\)");

  game.launcherSubfolder = L"Launcher";
  const std::optional<GameLocation> oxa =
      LocateGame(LR"("C:\Games\Oxa\Launcher\OxaLauncher.exe" "%1")", game);
  ASSERT_TRUE(oxa);
  EXPECT_EQ(oxa->folder, LR"(C:\Games\Oxa\)");
  EXPECT_EQ(oxa->fileName, L"OxaLauncher.exe");
}

}  // namespace
}  // namespace zefo
