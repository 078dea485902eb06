// The launch token a web page passes to the updater ("...:TAVRIN:<token>..."),
// handed on to a launcher that is already running.
#pragma once

#include <string>
#include <vector>

namespace zefo {

// Splits every argument that contains "TAVRIN" at each ':' into one list of
// fields for the whole command line; when the list has more than two fields
// and the second is exactly "TAVRIN", `token` becomes the third (otherwise it
// is left as it was). False when there are no arguments, true otherwise.
bool ParseLaunchToken(const std::vector<std::wstring>& arguments, std::wstring& token);

}  // namespace zefo
