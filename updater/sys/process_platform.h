// What process.cpp asks of the platform adapters.
#pragma once

#include <string>
#include <vector>

namespace zefo {

// The arguments after the program name as the process was started with them.
std::vector<std::wstring> OwnCommandLineArguments();

}  // namespace zefo
