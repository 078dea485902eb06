// Owns a kernel handle (process, thread, file, snapshot): closed when the
// object goes. INVALID_HANDLE_VALUE, as CreateFileW fails, counts as none.
#pragma once

#include <windows.h>

namespace zefo::testing {

class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~KernelHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  KernelHandle(KernelHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  KernelHandle& operator=(KernelHandle&& other) noexcept {
    if (this != &other) {
      if (handle_ != nullptr) CloseHandle(handle_);
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace zefo::testing
