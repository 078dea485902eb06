// The registry store on Windows: the registry itself, in its 64-bit view
// (the same keys whichever build of the program asks).
#include <windows.h>

#include "updater/sys/registry_store.h"

namespace zefo {
namespace {

// Names of keys are at most 255 characters.
constexpr DWORD kMaxKeyNameChars = 256;

class KeyHandle {
 public:
  explicit KeyHandle(HKEY key = nullptr) : key_(key) {}
  ~KeyHandle() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;

  HKEY Get() const { return key_; }
  HKEY* Receive() { return &key_; }

 private:
  HKEY key_;
};

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
}

RegistryResult ToResult(LSTATUS status) {
  switch (status) {
    case ERROR_SUCCESS: return RegistryResult::kOk;
    case ERROR_FILE_NOT_FOUND: return RegistryResult::kNotFound;
    case ERROR_MORE_DATA: return RegistryResult::kMoreData;
    default: return RegistryResult::kFailed;
  }
}

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(HKEY key) : key_(key) {}

  RegistryResult QueryValue(const std::wstring& name, std::size_t maxBytes, std::uint32_t* type,
                            std::vector<std::uint8_t>* data) override {
    // Never a null buffer: that would ask for the size and succeed.
    std::vector<std::uint8_t> buffer(maxBytes > 0 ? maxBytes : 1);
    DWORD size = static_cast<DWORD>(maxBytes);
    DWORD valueType = 0;
    const LSTATUS status =
        RegQueryValueExW(key_.Get(), name.c_str(), nullptr, &valueType, buffer.data(), &size);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
      if (type != nullptr) *type = valueType;
    }
    if (data != nullptr) {
      buffer.resize(status == ERROR_SUCCESS ? size : 0);
      *data = std::move(buffer);
    }
    return ToResult(status);
  }

  RegistryResult SetValue(const std::wstring& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) override {
    return ToResult(RegSetValueExW(key_.Get(), name.c_str(), 0, type, data.data(),
                                   static_cast<DWORD>(data.size())));
  }

  RegistryResult DeleteValue(const std::wstring& name) override {
    return ToResult(RegDeleteValueW(key_.Get(), name.c_str()));
  }

  std::vector<RegistryValue> Values() override {
    std::vector<RegistryValue> values;
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
      return values;
    }
    std::vector<wchar_t> name(maxName + 1);
    std::vector<std::uint8_t> data(maxData);
    for (DWORD index = 0;;) {
      DWORD nameChars = static_cast<DWORD>(name.size());
      DWORD dataBytes = static_cast<DWORD>(data.size());
      DWORD type = 0;
      const LSTATUS status = RegEnumValueW(key_.Get(), index, name.data(), &nameChars, nullptr,
                                           &type, data.empty() ? nullptr : data.data(), &dataBytes);
      if (status == ERROR_MORE_DATA) {  // grew since RegQueryInfoKeyW: again, with room
        name.resize(32768);
        data.resize(dataBytes > data.size() ? dataBytes : 2 * data.size() + 1);
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      values.push_back({std::wstring(name.data(), nameChars), type,
                        std::vector<std::uint8_t>(data.begin(), data.begin() + dataBytes)});
      ++index;
    }
    return values;
  }

  std::vector<std::wstring> SubkeyNames() override {
    std::vector<std::wstring> names;
    wchar_t name[kMaxKeyNameChars];
    for (DWORD index = 0;; ++index) {
      DWORD chars = kMaxKeyNameChars;
      if (RegEnumKeyExW(key_.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      names.emplace_back(name, chars);
    }
    return names;
  }

  RegistryResult Flush() override { return ToResult(RegFlushKey(key_.Get())); }

 private:
  KeyHandle key_;
};

class Win32Store : public RegistryStore {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                       bool write) override {
    HKEY key = nullptr;
    const REGSAM access = (write ? KEY_WRITE : KEY_READ) | KEY_WOW64_64KEY;
    if (RegOpenKeyExW(RootKey(root), path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32Key>(key);
  }

  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path) override {
    HKEY key = nullptr;
    if (RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_unique<Win32Key>(key);
  }

  RegistryResult DeleteKey(RegistryRoot root, const std::wstring& path) override {
    if (path.empty()) return RegistryResult::kFailed;  // roots stay
    {
      // Empty it first: RegDeleteKeyExW removes only keys without subkeys.
      KeyHandle key;
      const LSTATUS opened = RegOpenKeyExW(RootKey(root), path.c_str(), 0,
                                           KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.Receive());
      if (opened != ERROR_SUCCESS) return ToResult(opened);
      const LSTATUS emptied = RegDeleteTreeW(key.Get(), nullptr);
      if (emptied != ERROR_SUCCESS) return ToResult(emptied);
    }
    return ToResult(RegDeleteKeyExW(RootKey(root), path.c_str(), KEY_WOW64_64KEY, 0));
  }
};

}  // namespace

RegistryStore& UserRegistryStore() {
  static Win32Store store;
  return store;
}

}  // namespace zefo
