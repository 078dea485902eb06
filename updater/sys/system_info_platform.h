// What system_info.cpp shares with the platform adapters and the tests.
#pragma once

#include <cstdint>
#include <string>

namespace zefo {

// The Windows product name for a kernel version record; "WIN_ETC" for
// versions without a name of their own.
std::string WindowsProductName(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                               std::uint32_t productType);

// The platform's message text for one of its own error codes; "" when it has none.
std::string PlatformErrorMessage(std::uint32_t code, std::uint32_t languageId);

// libcurl's text for a CURLcode; "" where the program carries no libcurl.
std::string CurlErrorText(std::uint32_t code);

}  // namespace zefo
