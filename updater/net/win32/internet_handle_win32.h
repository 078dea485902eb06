// WinINet handles that close themselves.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <type_traits>

namespace zefo {

struct InternetHandleClose {
  void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<std::remove_pointer_t<HINTERNET>, InternetHandleClose>;

}  // namespace zefo
