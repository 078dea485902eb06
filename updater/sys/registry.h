// The four registry operations of the update engine. Each opens the key, does
// its one thing and closes it again; none reports an error.
#pragma once

#include <cstdint>
#include <string>

#include "updater/sys/registry_store.h"

namespace zefo {

// True when the key can be opened for reading.
bool RegistryKeyExists(RegistryRoot root, const std::wstring& path);
// Replaces `output` with the value's text (read into 512 bytes: at most 255
// characters); a value that is missing or too long gives "". A missing key
// leaves `output` unchanged.
void ReadRegistryValue(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                       std::wstring& output);
// Replaces `output` only when the value was read (4 bytes).
void ReadRegistryDword(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                       std::int32_t& output);
// Writes "VERSION" as REG_DWORD into an existing key; a missing key gets nothing.
void WriteRegistryValue(RegistryRoot root, const std::wstring& path, std::int32_t version);

// The same operations on a given store (the ones above use UserRegistryStore()).
bool RegistryKeyExists(RegistryStore& store, RegistryRoot root, const std::wstring& path);
void ReadRegistryValue(RegistryStore& store, RegistryRoot root, const std::wstring& path,
                       const std::wstring& name, std::wstring& output);
void ReadRegistryDword(RegistryStore& store, RegistryRoot root, const std::wstring& path,
                       const std::wstring& name, std::int32_t& output);
void WriteRegistryValue(RegistryStore& store, RegistryRoot root, const std::wstring& path,
                        std::int32_t version);

}  // namespace zefo
