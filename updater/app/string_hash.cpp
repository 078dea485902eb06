#include "updater/app/string_hash.h"

#include <cstring>

#include "updater/sys/text.h"

namespace zefo {

std::uint32_t StringHash(const std::wstring& text) {
  char narrow[kTextBufferSize] = {};
  if (!ToNarrow(text.c_str(), narrow, sizeof narrow)) narrow[0] = '\0';
  const std::size_t length = std::strlen(narrow);

  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const std::size_t exponent = length - 1 - i;
    const std::uint32_t weight = exponent >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << exponent);
    // Bytes from 0x80 up count as negative, as the launcher's char does.
    const auto byte = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(narrow[i])));
    sum += weight * byte;
  }
  return sum % kStringHashModulus;
}

}  // namespace zefo
