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

// Set on the key above a game's key, naming the game, while that key is
// written. A run killed between creating a key and writing its last value
// would leave a key every later run passes over for good; the mark tells the
// next run that the key is its own, half-written, and not one to leave alone.
constexpr wchar_t kWritingMark[] = L"ZEFOMIGRATING";
constexpr std::size_t kMarkBytes = 512;

std::wstring ParentKeyName(const std::wstring& keyName) { return keyName.substr(0, keyName.rfind(L'\\')); }

bool MarkedAsBeingWritten(RegistryStore& store, const std::wstring& parentName, const std::wstring& gameId) {
  const std::unique_ptr<RegistryKey> parent = store.OpenKey(RegistryRoot::kCurrentUser, parentName, false);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  return parent && parent->QueryValue(kWritingMark, kMarkBytes, &type, &data) == RegistryResult::kOk &&
         type == kRegSz && DecodeRegString(data) == gameId;
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
  const std::wstring parentName = ParentKeyName(keyName);
  if (store.OpenKey(RegistryRoot::kCurrentUser, keyName, false)) {
    if (!MarkedAsBeingWritten(store, parentName, game.gameId)) return;
    store.DeleteKey(RegistryRoot::kCurrentUser, keyName);
  }
  const std::unique_ptr<RegistryKey> parent = store.CreateKey(RegistryRoot::kCurrentUser, parentName);
  if (!parent || parent->SetValue(kWritingMark, kRegSz, EncodeRegString(game.gameId)) != RegistryResult::kOk) {
    return;
  }
  std::unique_ptr<RegistryKey> key = store.CreateKey(RegistryRoot::kCurrentUser, keyName);
  if (key && WriteRegistration(*key, *location, version, clock.NowSeconds() - kTimeStampOffsetSeconds)) {
    key->Flush();
  } else if (key) {
    // Every later run passes an existing key over, so a half-written one would
    // stay so for good: take it away and let the next run try again.
    key.reset();
    store.DeleteKey(RegistryRoot::kCurrentUser, keyName);
  }
  parent->DeleteValue(kWritingMark);
  parent->Flush();
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
