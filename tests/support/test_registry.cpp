#include "tests/support/test_registry.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "tests/support/test_folders.h"
#include "updater/sys/registry_store.h"

namespace zefo::testing {

void UseTemporaryRegistry() {
#ifndef _WIN32
  // Lives until the process ends, so the store's file outlives every test.
  static const std::unique_ptr<TempFolder> folder = [] {
    auto made = std::make_unique<TempFolder>();
    setenv("XDG_CONFIG_HOME", made->path().c_str(), 1);
    return made;
  }();
#endif
}

void WriteLauncherKey(const std::wstring& key, const std::wstring& file, const std::wstring& folder,
                      std::optional<std::int32_t> version) {
  RegistryStore& store = UserRegistryStore();
  store.DeleteKey(RegistryRoot::kCurrentUser, key);
  std::unique_ptr<RegistryKey> opened = store.CreateKey(RegistryRoot::kCurrentUser, key);
  if (!opened) return;
  opened->SetValue(L"FILENAME", kRegSz, EncodeRegString(file));
  opened->SetValue(L"PATH", kRegSz, EncodeRegString(folder));
  if (version) opened->SetValue(L"VERSION", kRegDword, EncodeRegDword(static_cast<std::uint32_t>(*version)));
}

void DeleteLauncherKey(const std::wstring& key) {
  UserRegistryStore().DeleteKey(RegistryRoot::kCurrentUser, key);
}

std::optional<std::int32_t> ReadVersionValue(const std::wstring& key) {
  std::unique_ptr<RegistryKey> opened = UserRegistryStore().OpenKey(RegistryRoot::kCurrentUser, key, false);
  if (!opened) return std::nullopt;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (opened->QueryValue(L"VERSION", 4, &type, &data) != RegistryResult::kOk || type != kRegDword ||
      data.size() != 4) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                   static_cast<std::uint32_t>(data[3]) << 24);
}

}  // namespace zefo::testing
