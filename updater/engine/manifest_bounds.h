// Bounds on what the patch server's manifests may make the updater hold.
// Every manifest is read whole into memory, so a file far larger than any
// launcher's lists is refused before it is read, whatever it says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zefo {

// A launcher's lists take kilobytes; a few thousand files with long names
// stay far below this.
constexpr std::uintmax_t kMaxManifestBytes = 8u << 20;
// Files one update may list, over all its versions.
constexpr std::size_t kMaxListedFiles = 65535;

// True when the downloaded manifest at `path` is larger than
// kMaxManifestBytes; the thread's last error then says so (kManifestTooLarge).
bool ManifestTooLarge(const std::wstring& path);

}  // namespace zefo
