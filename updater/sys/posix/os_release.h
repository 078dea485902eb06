// The distribution's name from the text of an os-release file.
#pragma once

#include <string>

namespace zefo {

// PRETTY_NAME, else NAME, else "Linux". Values may be quoted with "" or ''
// and carry backslash escapes inside double quotes.
std::string OsNameFromOsRelease(const std::string& content);

}  // namespace zefo
