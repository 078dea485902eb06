#include <windows.h>

#include "updater/app/named_mutex.h"

namespace zefo {
namespace {

class HandleMutex final : public NamedMutex {
 public:
  explicit HandleMutex(HANDLE handle) : handle_(handle) {}
  ~HandleMutex() override {
    ReleaseMutex(handle_);
    CloseHandle(handle_);
  }
  HandleMutex(const HandleMutex&) = delete;
  HandleMutex& operator=(const HandleMutex&) = delete;

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) {
  HANDLE handle = CreateMutexW(nullptr, FALSE, name.c_str());
  alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  if (handle == nullptr) return nullptr;
  return std::make_unique<HandleMutex>(handle);
}

}  // namespace zefo
