#include "updater/sys/last_error.h"

#include <windows.h>

namespace zefo {

std::uint32_t LastErrorCode() { return GetLastError(); }

void SetLastErrorCode(std::uint32_t code) { SetLastError(code); }

}  // namespace zefo
