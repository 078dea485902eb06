#include "migration/migration_worker.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "migration/command_parsing.h"
#include "migration/game_table.h"
#include "migration/patch_info.h"

namespace zefo {
namespace {

// Pauses before and after the table, so that the window is seen.
constexpr unsigned kStartPauseMs = 500;
constexpr unsigned kEndPauseMs = 3000;

// The time stamp lies a minute before the moment of writing.
constexpr std::int64_t kTimeStampOffsetSeconds = 60;

// The protocol's open command; nothing when the game's old launcher is not
// registered or its command does not fit the buffer.
std::optional<std::wstring> ReadOpenCommand(RegistryStore& store, const GameEntry& game) {
  const std::unique_ptr<RegistryKey> key = store.OpenKey(
      RegistryRoot::kClassesRoot, game.protocolId + L"\\shell\\open\\command", false);
  if (!key) return std::nullopt;
  std::uint32_t type = 0;  // REG_SZ and REG_EXPAND_SZ alike, taken as stored
  std::vector<std::uint8_t> data;
  if (key->QueryValue(L"", kCommandBufferBytes, &type, &data) != RegistryResult::kOk) {
    return std::nullopt;
  }
  return DecodeRegString(data);
}

// PATH, FILENAME, VERSION and ZEFOTIME, in this order; false when one fails.
bool WriteRegistration(RegistryKey& key, const GameLocation& location, std::int32_t version,
                       std::int64_t stamp) {
  return key.SetValue(L"PATH", kRegSz, EncodeRegString(location.folder)) == RegistryResult::kOk &&
         key.SetValue(L"FILENAME", kRegSz, EncodeRegString(location.fileName)) ==
             RegistryResult::kOk &&
         key.SetValue(L"VERSION", kRegDword, EncodeRegDword(static_cast<std::uint32_t>(version))) ==
             RegistryResult::kOk &&
         key.SetValue(L"ZEFOTIME", kRegQword, EncodeRegQword(static_cast<std::uint64_t>(stamp))) ==
             RegistryResult::kOk;
}

// Registers one game when it is installed and not registered yet.
void MigrateGame(RegistryStore& store, MigrationClock& clock, const GameEntry& game) {
  const std::optional<std::wstring> command = ReadOpenCommand(store, game);
  if (!command) return;
  const std::optional<GameLocation> location = LocateGame(*command, game);
  if (!location) return;
  const std::int32_t version =
      ReadGameVersion(location->folder, game.patchInfoPath, game.defaultVersion);

  const std::wstring keyName = RegistrationKeyName(game);
  if (store.OpenKey(RegistryRoot::kCurrentUser, keyName, false)) return;
  std::unique_ptr<RegistryKey> key = store.CreateKey(RegistryRoot::kCurrentUser, keyName);
  if (!key) return;
  const std::int64_t stamp = clock.NowSeconds() - kTimeStampOffsetSeconds;
  if (WriteRegistration(*key, *location, version, stamp)) {
    key->Flush();
    return;
  }
  // Every later run passes an existing key over, so a half-written one would
  // stay so for good: take it away and let the next run try again.
  key.reset();
  store.DeleteKey(RegistryRoot::kCurrentUser, keyName);
}

}  // namespace

unsigned MigrationWorker(RegistryStore& store, MigrationClock& clock,
                         const std::function<void()>& closeWindow) {
  clock.Sleep(kStartPauseMs);
  for (const GameEntry& game : BuildGameTable()) MigrateGame(store, clock, game);
  clock.Sleep(kEndPauseMs);
  closeWindow();
  return 0;
}

}  // namespace zefo
