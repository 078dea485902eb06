#include "migration/game_table.h"

namespace zefo {
namespace {

bool IsGlobalRegion(const std::wstring& region) {
  return region.empty() ||
         (region.size() == 2 && (region[0] == L'g' || region[0] == L'G') &&
          (region[1] == L'l' || region[1] == L'L'));
}

}  // namespace

std::vector<GameEntry> BuildGameTable() {
  const std::wstring patchInfo = L"PatchInfo\\Patch.ini";
  return {
      {L"kr", L"iron-harbor", L"tavrin.iron-harbor.launcher", L"", L"IronHarbor.exe", patchInfo, 1},
      {L"kr", L"sky-garden", L"tavrin.skygarden.launcher", L"", L"Petalis.exe", patchInfo, 1},
      {L"kr", L"oxa", L"tavrin.oxamar.launcher.live", L"Launcher", L"", L"", 0},
      {L"kr", L"mirefall", L"tavrin.mf.launcher", L"", L"", L"", 0},
      {L"kr", L"bw-ko", L"tavrin.bw.launcher", L"", L"Brightwater.exe", patchInfo, 1},
      {L"kr", L"stormkeep", L"StormKeep", L"", L"", L"", 1},
      {L"kr", L"qd", L"tavrin.qd.launcher", L"", L"", L"", 0},
      {L"kr", L"m7drift-ko", L"m7drift-ko", L"", L"Game.exe", patchInfo, 1},
      {L"kr", L"tidewatch-ko", L"tavrin.tidewatch.launcher.korean", L"", L"TWLauncher.exe",
       patchInfo, 1},
      {L"kr", L"velka-ko", L"tavrin.velka.launcher", L"", L"TavrinVelkaclassic.exe", patchInfo, 1},
      {L"kr", L"k4-gl", L"tavrin.k4-gl-kr.launcher.live", L"", L"K4.exe", patchInfo, 1},
      {L"kr", L"hollin-ko", L"tavrin.hollin-ko.launcher.live", L"", L"HollinClient.exe", patchInfo,
       1},
  };
}

std::wstring RegistrationKeyName(const GameEntry& game) {
  std::wstring name = L"SOFTWARE\\Tavrin\\";
  if (!IsGlobalRegion(game.region)) name += game.region + L"\\";
  return name + game.gameId;
}

}  // namespace zefo
