// Narrow text (the ANSI code page) as UTF-8, for the webhook's JSON body.
#pragma once

#include <string>

namespace zefo {

// Windows: converted from the ANSI code page. Linux: narrow text is UTF-8
// already; bytes that do not form valid UTF-8 become U+FFFD. Either way the
// result is valid UTF-8.
std::string AnsiToUtf8(const std::string& text);

}  // namespace zefo
