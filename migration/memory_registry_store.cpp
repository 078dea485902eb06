#include "migration/memory_registry_store.h"

#include <algorithm>
#include <cwctype>

namespace zefo::testing {
namespace {

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

}  // namespace

class MemoryRegistryKey final : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistryStore& store, MemoryRegistryStore::KeyId id)
      : store_(store), id_(std::move(id)) {}

  RegistryResult QueryValue(const std::wstring& name, std::size_t maxBytes, std::uint32_t* type,
                            std::vector<std::uint8_t>* data) override {
    const RegistryValue* value = FindValue(name);
    if (!value) return RegistryResult::kNotFound;
    if (value->data.size() > maxBytes) return RegistryResult::kMoreData;
    *type = value->type;
    *data = value->data;
    return RegistryResult::kOk;
  }

  RegistryResult SetValue(const std::wstring& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) override {
    store_.changes_.push_back(L"set " + id_.second + L" " + name);
    if (store_.failingValueNames.count(name)) return RegistryResult::kFailed;
    RegistryValue* value = FindValue(name);
    if (!value) {
      store_.keys_[id_].values.push_back(RegistryValue{name, type, data});
    } else {
      value->type = type;
      value->data = data;
    }
    return RegistryResult::kOk;
  }

  RegistryResult DeleteValue(const std::wstring& name) override {
    auto& values = store_.keys_[id_].values;
    const auto it = std::find_if(values.begin(), values.end(), [&name](const RegistryValue& v) {
      return Lower(v.name) == Lower(name);
    });
    if (it == values.end()) return RegistryResult::kNotFound;
    values.erase(it);
    return RegistryResult::kOk;
  }

  std::vector<RegistryValue> Values() override { return store_.keys_[id_].values; }

  std::vector<std::wstring> SubkeyNames() override {
    std::vector<std::wstring> names;
    const std::wstring prefix = id_.second + L"\\";
    for (const auto& [id, key] : store_.keys_) {
      if (id.first == id_.first && id.second.compare(0, prefix.size(), prefix) == 0 &&
          id.second.find(L'\\', prefix.size()) == std::wstring::npos) {
        names.push_back(id.second.substr(prefix.size()));
      }
    }
    return names;
  }

  RegistryResult Flush() override {
    store_.changes_.push_back(L"flush " + id_.second);
    return RegistryResult::kOk;
  }

 private:
  RegistryValue* FindValue(const std::wstring& name) {
    auto& values = store_.keys_[id_].values;
    for (RegistryValue& value : values) {
      if (Lower(value.name) == Lower(name)) return &value;
    }
    return nullptr;
  }

  MemoryRegistryStore& store_;
  MemoryRegistryStore::KeyId id_;
};

std::unique_ptr<RegistryKey> MemoryRegistryStore::OpenKey(RegistryRoot root,
                                                          const std::wstring& path, bool) {
  KeyId id{root, Lower(path)};
  if (!keys_.count(id)) return nullptr;
  return std::make_unique<MemoryRegistryKey>(*this, std::move(id));
}

std::unique_ptr<RegistryKey> MemoryRegistryStore::CreateKey(RegistryRoot root,
                                                            const std::wstring& path) {
  KeyId id{root, Lower(path)};
  changes_.push_back(L"create " + id.second);
  if (failCreate) return nullptr;
  keys_[id];
  return std::make_unique<MemoryRegistryKey>(*this, std::move(id));
}

RegistryResult MemoryRegistryStore::DeleteKey(RegistryRoot root, const std::wstring& path) {
  const std::wstring lower = Lower(path);
  changes_.push_back(L"delete " + lower);
  const std::wstring prefix = lower + L"\\";
  const std::size_t erased = keys_.erase(KeyId{root, lower});
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first.first == root && it->first.second.compare(0, prefix.size(), prefix) == 0) {
      it = keys_.erase(it);
    } else {
      ++it;
    }
  }
  return erased ? RegistryResult::kOk : RegistryResult::kNotFound;
}

void MemoryRegistryStore::Put(RegistryRoot root, const std::wstring& path,
                              const std::wstring& name, std::uint32_t type,
                              std::vector<std::uint8_t> data) {
  keys_[KeyId{root, Lower(path)}].values.push_back(RegistryValue{name, type, std::move(data)});
}

void MemoryRegistryStore::PutKey(RegistryRoot root, const std::wstring& path) {
  keys_[KeyId{root, Lower(path)}];
}

const MemoryRegistryStore::Key* MemoryRegistryStore::Find(RegistryRoot root,
                                                          const std::wstring& path) const {
  const auto it = keys_.find(KeyId{root, Lower(path)});
  return it == keys_.end() ? nullptr : &it->second;
}

std::vector<std::wstring> MemoryRegistryStore::KeyPaths(RegistryRoot root) const {
  std::vector<std::wstring> paths;
  for (const auto& entry : keys_) {
    if (entry.first.first == root) paths.push_back(entry.first.second);
  }
  return paths;
}

}  // namespace zefo::testing
