// Named single-instance mutexes shared with the launcher and with other
// copies of the updater.
//
// Windows: CreateMutexW, not initially owned; "already existed" is
// GetLastError() == ERROR_ALREADY_EXISTS right after it.
// Linux: a SOCK_STREAM Unix socket bound in the abstract namespace under
// "zefo.mutex.<uid>.<name in UTF-8>"; it "already existed" when the bind fails
// with EADDRINUSE. The abstract namespace is separate per socket type, so a
// launcher holding the mutex binds a SOCK_STREAM socket too. The name lives as
// long as the socket, and the socket is not inherited by started programs.
#pragma once

#include <memory>
#include <string>

namespace zefo {

// An open mutex handle; the mutex is released when it is destroyed.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

// Creates or opens the mutex `name`. `alreadyExisted` tells whether another
// process (or an earlier call) holds it. The result is null when the platform
// gave no handle (a failure, or on Linux a name held elsewhere).
std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted);

}  // namespace zefo
