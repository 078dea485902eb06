// Small queries of the operating system, for error reports and the choice of
// the launcher build. Narrow results.
#pragma once

#include <cstdint>
#include <string>

namespace zefo {

// Windows: the product name by the kernel's version record ("Windows 10",
// "WIN_ETC", ...). Linux: the distribution's PRETTY_NAME from /etc/os-release.
std::string GetOsName();
// Windows: major version 10 or above. Linux: true.
bool IsWindows10OrLater();
// Windows: a 32-bit process on 64-bit Windows. Linux: a 64-bit kernel.
bool IsWow64();
// English names of the system locale's language and country ("Korean",
// "Korea"); "" when unknown.
std::string GetSystemLanguageName();
std::string GetSystemCountryName();

constexpr std::uint32_t kLanguageEnglishUs = 0x409;
// The English text of an error code, ending in "\r\n" like the system's
// messages; "" for a code without text. Codes of last_error.h's ranges are
// described on both platforms.
std::string FormatSystemMessage(std::uint32_t code, std::uint32_t languageId);

}  // namespace zefo
