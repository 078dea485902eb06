// The zefo-reg command line, over any registry store:
//
//   zefo-reg set KEY NAME TYPE DATA   TYPE sz, expand_sz, dword or qword;
//                                     numbers in decimal; creates the key
//   zefo-reg get KEY [NAME]           NAME<TAB>TYPE<TAB>DATA per value
//   zefo-reg mkkey KEY
//   zefo-reg delete KEY [NAME]        the key with its subkeys, or one value
//   zefo-reg list [KEY]               subkeys, one a line; without KEY the roots
//
// KEY begins with HKCU\ or HKCR\ (or HKEY_CURRENT_USER\, HKEY_CLASSES_ROOT\);
// NAME "" is the key's default value, printed as "(default)". Texts are UTF-8.
//
// Exit status: 0 done; 1 the key or value does not exist; 2 bad arguments
// (with the usage); 3 the registry database cannot be used.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "updater/sys/registry_store.h"

namespace zefo {

enum RegExit { kRegOk = 0, kRegMissing = 1, kRegUsage = 2, kRegStoreFailed = 3 };

// `arguments` without the program name; `storeName` names the store in
// messages (the database file).
int RunRegCommand(const std::vector<std::string>& arguments, RegistryStore& store,
                  const std::string& storeName, std::ostream& out, std::ostream& err);

}  // namespace zefo
