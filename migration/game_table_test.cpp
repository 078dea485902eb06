#include "migration/game_table.h"

#include <gtest/gtest.h>

namespace zefo {
namespace {

TEST(GameTableTest, KeyNameHasRegionLevelExceptForGlobal) {
  GameEntry game;
  game.gameId = L"k4-gl";
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"kr", L"SOFTWARE\\Tavrin\\kr\\k4-gl"},
      {L"KR", L"SOFTWARE\\Tavrin\\KR\\k4-gl"},  // as stored, not lower-cased
      {L"gl", L"SOFTWARE\\Tavrin\\k4-gl"},
      {L"GL", L"SOFTWARE\\Tavrin\\k4-gl"},
      {L"gL", L"SOFTWARE\\Tavrin\\k4-gl"},
      {L"", L"SOFTWARE\\Tavrin\\k4-gl"},
      {L"glo", L"SOFTWARE\\Tavrin\\glo\\k4-gl"},
  };
  for (const auto& [region, expected] : cases) {
    game.region = region;
    EXPECT_EQ(RegistrationKeyName(game), expected) << "region " << region;
  }
}

}  // namespace
}  // namespace zefo
