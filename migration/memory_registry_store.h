// A registry store in memory for tests: it keeps keys and values like the
// real one and records every change, and can be told to fail key creation or
// value writes.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "updater/sys/registry_store.h"

namespace zefo::testing {

class MemoryRegistryStore final : public RegistryStore {
 public:
  struct Key {
    std::vector<RegistryValue> values;  // in the order first written
  };

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                       bool write) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path) override;
  RegistryResult DeleteKey(RegistryRoot root, const std::wstring& path) override;

  // Test set-up: puts a value (creating its key) without recording it.
  void Put(RegistryRoot root, const std::wstring& path, const std::wstring& name,
           std::uint32_t type, std::vector<std::uint8_t> data);
  void PutKey(RegistryRoot root, const std::wstring& path);

  const Key* Find(RegistryRoot root, const std::wstring& path) const;
  // Paths of the keys under `root`, lower-cased.
  std::vector<std::wstring> KeyPaths(RegistryRoot root) const;

  // Every change, in order: "create <path>", "set <path> <name>",
  // "flush <path>", "delete <path>" (paths lower-cased).
  const std::vector<std::wstring>& Changes() const { return changes_; }

  bool failCreate = false;
  std::set<std::wstring> failingValueNames;  // SetValue of these names fails

 private:
  friend class MemoryRegistryKey;
  using KeyId = std::pair<RegistryRoot, std::wstring>;
  std::map<KeyId, Key> keys_;
  std::vector<std::wstring> changes_;
};

}  // namespace zefo::testing
