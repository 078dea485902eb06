// The registry store on Linux: one SQLite database per user.
#pragma once

#include <memory>
#include <string>

#include "updater/sys/registry_store.h"

namespace zefo {

// The database of UserRegistryStore(): $XDG_CONFIG_HOME/tavrin/registry.sqlite3
// (XDG_CONFIG_HOME when set to an absolute path, else ~/.config); "" when the
// user has no home folder.
std::string UserRegistryDatabasePath();

// A store over the database at `path`. The file and its missing folders are
// created on first use; until the database can be opened, every operation
// fails (and tries again).
std::unique_ptr<RegistryStore> OpenSqliteRegistryStore(const std::string& path);

}  // namespace zefo
