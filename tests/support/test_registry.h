// The launcher's registry key in tests: the real store of the platform (on
// Linux its SQLite file, moved below a temporary folder for the test process).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zefo::testing {

constexpr wchar_t kLiveKey[] = L"SOFTWARE\\Tavrin\\Zlauncher";
constexpr wchar_t kStageKey[] = L"SOFTWARE\\Tavrin\\Zlauncher_stage";

// Linux: points XDG_CONFIG_HOME at a temporary folder for the whole test
// process (removed at exit). Must run before the store's first use; later
// calls do nothing. Windows keeps the registry of the Wine prefix.
void UseTemporaryRegistry();

// Replaces the key under HKEY_CURRENT_USER with FILENAME, PATH and, when
// given, VERSION (REG_DWORD).
void WriteLauncherKey(const std::wstring& key, const std::wstring& file, const std::wstring& folder,
                      std::optional<std::int32_t> version);
void DeleteLauncherKey(const std::wstring& key);
// VERSION as stored, when the key holds a REG_DWORD of that name.
std::optional<std::int32_t> ReadVersionValue(const std::wstring& key);

}  // namespace zefo::testing
