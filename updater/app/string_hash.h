// The hash by which the updater tells a running launcher its launch token and
// mode. The launcher computes the same numbers, so the arithmetic is fixed.
#pragma once

#include <cstdint>
#include <string>

namespace zefo {

constexpr std::uint32_t kStringHashModulus = 65521;

// The narrow (ANSI) form of `text`, each byte as a signed value weighted by
// 2^(bytes after it), saturating at 0xFFFFFFFF; the wrapping 32-bit sum modulo
// 65521. A text whose narrow form needs more than 512 bytes counts as empty.
// "" -> 0, "abc" -> 683, "Live" -> 1365, "Stage" -> 2951.
std::uint32_t StringHash(const std::wstring& text);

}  // namespace zefo
