// The migration: every game of the table that its old launcher's URL
// protocol shows installed is registered once below "SOFTWARE\Tavrin\" in
// HKEY_CURRENT_USER. A game whose key exists is never touched. Nothing is
// shown or reported; a game that cannot be handled is passed over.
#pragma once

#include <cstddef>
#include <functional>

#include "migration/migration_clock.h"
#include "updater/sys/registry_store.h"

namespace zefo {

// Longest open command read, in bytes (1,024 UTF-16 units); a longer one
// passes its game over.
constexpr std::size_t kCommandBufferBytes = 2048;

// The worker thread's whole run: a pause of 500 ms, every game of the table
// in order, a pause of 3,000 ms, then `closeWindow` (which ends the
// program). Returns 0.
unsigned MigrationWorker(RegistryStore& store, MigrationClock& clock,
                         const std::function<void()>& closeWindow);

}  // namespace zefo
