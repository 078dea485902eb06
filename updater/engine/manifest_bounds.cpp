#include "updater/engine/manifest_bounds.h"

#include <filesystem>
#include <system_error>

#include "updater/sys/file_system.h"
#include "updater/sys/last_error.h"

namespace zefo {

bool ManifestTooLarge(const std::wstring& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(NativeFsPath(path), error);
  if (error || size <= kMaxManifestBytes) return false;
  SetLastErrorCode(ToErrorCode(ZefoError::kManifestTooLarge));
  return true;
}

}  // namespace zefo
