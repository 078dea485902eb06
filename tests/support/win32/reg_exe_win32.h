// The registry as an operator sees it: the system's own "reg.exe query" run
// on a value under HKEY_CURRENT_USER, its report read back. Independent of
// the program's registry store, so it checks what the store really wrote.
#pragma once

#include <optional>
#include <string>

namespace zefo::testing {

struct RegExeValue {
  std::string type;  // as reg.exe names it: "REG_SZ", "REG_DWORD", "REG_QWORD", ...
  std::string data;  // as reg.exe prints it ("0x68" for a REG_DWORD of 104)
};

// Nothing when reg.exe finds no such key or value; throws when reg.exe cannot
// be run or does not end within a minute.
std::optional<RegExeValue> QueryWithRegExe(const std::wstring& keyUnderCurrentUser, const std::wstring& value);

}  // namespace zefo::testing
