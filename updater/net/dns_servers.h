// The DNS servers of a webhook post whose DNS switch is on, as chosen by the
// marker files "DNS.txt" and "NoDNS.txt" in the current folder.
#pragma once

#include <optional>
#include <string>

namespace zefo {

// "DNS.txt" present: its first line, taken as it is (a carriage return before
// the line feed stays), at most 511 characters; the default list when that line
// is empty or the file cannot be read. Else "NoDNS.txt" present: nothing (the
// system's resolver). Else the default list.
std::optional<std::string> ChooseDnsServers();

}  // namespace zefo
