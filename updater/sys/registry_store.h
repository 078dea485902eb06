// A per-user settings store with the shape of the Windows registry: keys under
// two roots, named values with Windows type codes and raw data bytes.
//
// Windows: the registry itself (advapi32). Linux: one SQLite database per user
// (posix/registry_store_sqlite.cpp). Key paths use '\' and, like value names,
// are matched without regard to letter case.
//
// Value data is stored exactly as Windows stores it: REG_SZ and REG_EXPAND_SZ
// as UTF-16LE text with its terminating zero, REG_DWORD as 4 and REG_QWORD as
// 8 little-endian bytes, so size limits behave the same on both platforms.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zefo {

enum class RegistryRoot { kCurrentUser, kClassesRoot };

// Windows type codes.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegQword = 11;

enum class RegistryResult {
  kOk,
  kNotFound,  // key or value missing
  kMoreData,  // the value does not fit the given size
  kFailed,    // any other failure (access, I/O, busy database)
};

struct RegistryValue {
  std::wstring name;  // "" is the unnamed (default) value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Reads a value whose data is at most `maxBytes` long (kMoreData otherwise).
  virtual RegistryResult QueryValue(const std::wstring& name, std::size_t maxBytes,
                                    std::uint32_t* type, std::vector<std::uint8_t>* data) = 0;
  virtual RegistryResult SetValue(const std::wstring& name, std::uint32_t type,
                                  const std::vector<std::uint8_t>& data) = 0;
  virtual RegistryResult DeleteValue(const std::wstring& name) = 0;
  virtual std::vector<RegistryValue> Values() = 0;
  // Names of the direct subkeys.
  virtual std::vector<std::wstring> SubkeyNames() = 0;
  // Makes the key's values durable (RegFlushKey).
  virtual RegistryResult Flush() = 0;
};

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  // Opens an existing key (nullptr when missing). `write` asks for KEY_WRITE
  // access instead of KEY_READ.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                               bool write) = 0;
  // Opens the key, creating it and any missing parents (RegCreateKeyExW).
  virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path) = 0;
  // Deletes a key with its values and subkeys.
  virtual RegistryResult DeleteKey(RegistryRoot root, const std::wstring& path) = 0;
};

// The store of this user on this platform, shared by the whole process.
// Linux: $XDG_CONFIG_HOME/tavrin/registry.sqlite3 (default
// ~/.config/tavrin/registry.sqlite3), opened on first use.
RegistryStore& UserRegistryStore();

// Helpers for the data layout above.
std::vector<std::uint8_t> EncodeRegString(const std::wstring& text);  // UTF-16LE + zero
std::wstring DecodeRegString(const std::vector<std::uint8_t>& data);  // up to the first zero
std::vector<std::uint8_t> EncodeRegDword(std::uint32_t value);
std::vector<std::uint8_t> EncodeRegQword(std::uint64_t value);

}  // namespace zefo
