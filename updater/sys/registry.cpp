// The update engine's registry operations, over any RegistryStore.
#include "updater/sys/registry.h"

namespace zefo {
namespace {

// The engine's fixed buffers: 512 bytes for text, 4 for a number.
constexpr std::size_t kStringBytes = 512;
constexpr std::size_t kDwordBytes = 4;

}  // namespace

bool RegistryKeyExists(RegistryStore& store, RegistryRoot root, const std::wstring& path) {
  return store.OpenKey(root, path, false) != nullptr;
}

void ReadRegistryValue(RegistryStore& store, RegistryRoot root, const std::wstring& path,
                       const std::wstring& name, std::wstring& output) {
  const auto key = store.OpenKey(root, path, false);
  if (!key) return;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  // A value that is missing or does not fit reads as the cleared buffer.
  if (key->QueryValue(name, kStringBytes, &type, &data) != RegistryResult::kOk) data.clear();
  output = DecodeRegString(data);
}

void ReadRegistryDword(RegistryStore& store, RegistryRoot root, const std::wstring& path,
                       const std::wstring& name, std::int32_t& output) {
  const auto key = store.OpenKey(root, path, false);
  if (!key) return;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (key->QueryValue(name, kDwordBytes, &type, &data) != RegistryResult::kOk) return;
  // The bytes land on the output's low end, as RegQueryValueExW writes them.
  std::uint32_t value = static_cast<std::uint32_t>(output);
  for (std::size_t i = 0; i < data.size(); ++i) {
    value &= ~(0xFFu << (8 * i));
    value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  }
  output = static_cast<std::int32_t>(value);
}

void WriteRegistryValue(RegistryStore& store, RegistryRoot root, const std::wstring& path,
                        std::int32_t version) {
  const auto key = store.OpenKey(root, path, true);
  if (!key) return;
  key->SetValue(L"VERSION", kRegDword, EncodeRegDword(static_cast<std::uint32_t>(version)));
}

bool RegistryKeyExists(RegistryRoot root, const std::wstring& path) {
  return RegistryKeyExists(UserRegistryStore(), root, path);
}

void ReadRegistryValue(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                       std::wstring& output) {
  ReadRegistryValue(UserRegistryStore(), root, path, name, output);
}

void ReadRegistryDword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                       std::int32_t& output) {
  ReadRegistryDword(UserRegistryStore(), root, path, name, output);
}

void WriteRegistryValue(RegistryRoot root, const std::wstring& path, std::int32_t version) {
  WriteRegistryValue(UserRegistryStore(), root, path, version);
}

}  // namespace zefo
