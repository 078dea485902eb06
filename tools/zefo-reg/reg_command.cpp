#include "tools/zefo-reg/reg_command.h"

#include <cstdint>
#include <optional>

#include "updater/sys/text.h"

namespace zefo {
namespace {

constexpr char kUsage[] =
    "usage: zefo-reg set KEY NAME TYPE DATA   (TYPE: sz, expand_sz, dword, qword)\n"
    "       zefo-reg get KEY [NAME]\n"
    "       zefo-reg mkkey KEY\n"
    "       zefo-reg delete KEY [NAME]\n"
    "       zefo-reg list [KEY]\n"
    "KEY begins with HKCU\\ or HKCR\\ (or HKEY_CURRENT_USER\\, HKEY_CLASSES_ROOT\\).\n"
    "NAME \"\" is the default value. Numbers are decimal.\n";

// Windows limits key names to 255 characters.
constexpr std::size_t kMaxKeyNameLength = 255;

struct Key {
  RegistryRoot root;
  std::wstring path;
};

struct TypeName {
  const char* name;
  std::uint32_t type;
};
constexpr TypeName kTypes[] = {
    {"sz", kRegSz}, {"expand_sz", kRegExpandSz}, {"dword", kRegDword}, {"qword", kRegQword}};

bool IsUtf8(const std::string& text) { return ToNarrowString(ToWideString(text)) == text; }

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != prefix[i]) return false;
  }
  return true;
}

// A decimal number no greater than `max`: digits only, no sign, no blanks.
std::optional<std::uint64_t> ParseDecimal(const std::string& text, std::uint64_t max) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::uint64_t LittleEndianNumber(const std::vector<std::uint8_t>& data) {
  std::uint64_t value = 0;
  for (std::size_t i = data.size(); i > 0; --i) value = (value << 8) | data[i - 1];
  return value;
}

std::string TypeText(std::uint32_t type) {
  for (const TypeName& known : kTypes) {
    if (known.type == type) return known.name;
  }
  return std::to_string(type);  // written by something other than these tools
}

std::string DataText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  if (type == kRegSz || type == kRegExpandSz) return ToNarrowString(DecodeRegString(data));
  if ((type == kRegDword && data.size() == 4) || (type == kRegQword && data.size() == 8)) {
    return std::to_string(LittleEndianNumber(data));
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text = "hex:";
  for (const std::uint8_t byte : data) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

class Command {
 public:
  Command(RegistryStore& store, const std::string& storeName, std::ostream& out, std::ostream& err)
      : store_(store), storeName_(storeName), out_(out), err_(err) {}

  int Run(const std::vector<std::string>& args) {
    if (args.empty()) return Usage("no command given");
    const std::string& command = args[0];
    const std::size_t operands = args.size() - 1;
    if (command == "-h" || command == "--help") {
      out_ << kUsage;
      return kRegOk;
    }
    if (command == "set" && operands == 4) return Set(args[1], args[2], args[3], args[4]);
    if (command == "get" && (operands == 1 || operands == 2)) {
      return Get(args[1], operands == 2 ? &args[2] : nullptr);
    }
    if (command == "mkkey" && operands == 1) return MakeKey(args[1]);
    if (command == "delete" && (operands == 1 || operands == 2)) {
      return Delete(args[1], operands == 2 ? &args[2] : nullptr);
    }
    if (command == "list" && operands <= 1) return operands == 1 ? List(args[1]) : ListRoots();
    if (command == "set" || command == "get" || command == "mkkey" || command == "delete" ||
        command == "list") {
      return Count(command);
    }
    return Usage("unknown command \"" + command + "\"");
  }

 private:
  int Usage(const std::string& problem) {
    err_ << "zefo-reg: " << problem << "\n" << kUsage;
    return kRegUsage;
  }
  int Count(const std::string& command) {
    return Usage("wrong number of arguments for " + command);
  }
  int Missing(const std::string& what) {
    err_ << "zefo-reg: " << what << "\n";
    return kRegMissing;
  }
  int StoreFailed(const std::string& what) {
    err_ << "zefo-reg: " << what << " (registry database " << storeName_ << ")\n";
    return kRegStoreFailed;
  }

  // The key named on the command line; nullopt after telling what is wrong.
  std::optional<Key> ParseKey(const std::string& text) {
    static const std::pair<const char*, RegistryRoot> kRoots[] = {
        {"HKEY_CURRENT_USER", RegistryRoot::kCurrentUser},
        {"HKEY_CLASSES_ROOT", RegistryRoot::kClassesRoot},
        {"HKCU", RegistryRoot::kCurrentUser},
        {"HKCR", RegistryRoot::kClassesRoot},
    };
    for (const auto& [prefix, root] : kRoots) {
      const std::string name = prefix;
      if (!StartsWithIgnoringCase(text, name)) continue;
      if (text.size() > name.size() && text[name.size()] != '\\') continue;
      const std::string rest = text.size() > name.size() ? text.substr(name.size() + 1) : "";
      if (!IsUtf8(rest)) {
        Usage("the key \"" + text + "\" is not UTF-8 text");
        return std::nullopt;
      }
      Key key{root, ToWideString(rest)};
      if (!ValidPath(key.path)) {
        Usage("bad key \"" + text + "\": names between '\\' must be 1 to 255 characters long");
        return std::nullopt;
      }
      return key;
    }
    Usage("bad key \"" + text + "\": it must begin with HKCU\\ or HKCR\\");
    return std::nullopt;
  }

  static bool ValidPath(const std::wstring& path) {
    std::wstring rest = path;
    if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    if (rest.empty()) return path.empty();  // a lone "\" after the root
    // The added separator makes a second trailing one show as an empty name.
    for (const std::wstring& part : SplitString(rest + L'\\', L'\\')) {
      if (part.empty() || part.size() > kMaxKeyNameLength) return false;
    }
    return true;
  }

  std::optional<std::wstring> ParseName(const std::string& text) {
    if (IsUtf8(text)) return ToWideString(text);
    Usage("the value name \"" + text + "\" is not UTF-8 text");
    return std::nullopt;
  }

  // Whether the database can be used at all: its roots always exist.
  bool StoreUsable(RegistryRoot root) {
    if (store_.OpenKey(root, L"", false) != nullptr) return true;
    StoreFailed("cannot open the registry");
    return false;
  }

  int Set(const std::string& keyText, const std::string& nameText, const std::string& typeText,
          const std::string& dataText) {
    const auto key = ParseKey(keyText);
    const auto name = key ? ParseName(nameText) : std::nullopt;
    if (!key || !name) return kRegUsage;
    const TypeName* type = nullptr;
    for (const TypeName& known : kTypes) {
      if (typeText == known.name) type = &known;
    }
    if (type == nullptr) {
      return Usage("bad TYPE \"" + typeText + "\": use sz, expand_sz, dword or qword");
    }
    std::vector<std::uint8_t> data;
    if (type->type == kRegDword) {
      const auto number = ParseDecimal(dataText, 0xFFFFFFFFu);
      if (!number) {
        return Usage("bad DWORD \"" + dataText + "\": use a decimal number from 0 to 4294967295");
      }
      data = EncodeRegDword(static_cast<std::uint32_t>(*number));
    } else if (type->type == kRegQword) {
      const auto number = ParseDecimal(dataText, UINT64_MAX);
      if (!number) {
        return Usage("bad QWORD \"" + dataText +
                     "\": use a decimal number from 0 to 18446744073709551615");
      }
      data = EncodeRegQword(*number);
    } else {
      if (!IsUtf8(dataText)) return Usage("the data \"" + dataText + "\" is not UTF-8 text");
      data = EncodeRegString(ToWideString(dataText));
    }
    if (!StoreUsable(key->root)) return kRegStoreFailed;
    const auto opened = store_.CreateKey(key->root, key->path);
    if (!opened) return StoreFailed("cannot create " + keyText);
    if (opened->SetValue(*name, type->type, data) != RegistryResult::kOk) {
      return StoreFailed("cannot write " + ValueLabel(nameText) + " in " + keyText);
    }
    return kRegOk;
  }

  int Get(const std::string& keyText, const std::string* nameText) {
    const auto key = ParseKey(keyText);
    const auto name = key && nameText ? ParseName(*nameText) : std::nullopt;
    if (!key || (nameText && !name)) return kRegUsage;
    if (!StoreUsable(key->root)) return kRegStoreFailed;
    const auto opened = store_.OpenKey(key->root, key->path, false);
    if (!opened) return Missing("key not found: " + keyText);
    if (nameText == nullptr) {
      for (const RegistryValue& value : opened->Values()) {
        PrintValue(ToNarrowString(value.name), value.type, value.data);
      }
      return kRegOk;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    // Values have no size limit here: ask again with more room until it fits.
    std::size_t room = 4096;
    RegistryResult result = opened->QueryValue(*name, room, &type, &data);
    while (result == RegistryResult::kMoreData) {
      room *= 16;
      result = opened->QueryValue(*name, room, &type, &data);
    }
    if (result == RegistryResult::kNotFound) {
      return Missing("value not found: " + ValueLabel(*nameText) + " in " + keyText);
    }
    if (result != RegistryResult::kOk) return StoreFailed("cannot read " + keyText);
    PrintValue(*nameText, type, data);
    return kRegOk;
  }

  int MakeKey(const std::string& keyText) {
    const auto key = ParseKey(keyText);
    if (!key) return kRegUsage;
    if (!StoreUsable(key->root)) return kRegStoreFailed;
    return store_.CreateKey(key->root, key->path) ? kRegOk
                                                  : StoreFailed("cannot create " + keyText);
  }

  int Delete(const std::string& keyText, const std::string* nameText) {
    const auto key = ParseKey(keyText);
    const auto name = key && nameText ? ParseName(*nameText) : std::nullopt;
    if (!key || (nameText && !name)) return kRegUsage;
    if (nameText == nullptr && key->path.empty()) return Usage("a root key cannot be deleted");
    if (!StoreUsable(key->root)) return kRegStoreFailed;
    RegistryResult result;
    if (nameText == nullptr) {
      result = store_.DeleteKey(key->root, key->path);
    } else {
      const auto opened = store_.OpenKey(key->root, key->path, true);
      if (!opened) return Missing("key not found: " + keyText);
      result = opened->DeleteValue(*name);
      if (result == RegistryResult::kNotFound) {
        return Missing("value not found: " + ValueLabel(*nameText) + " in " + keyText);
      }
    }
    if (result == RegistryResult::kNotFound) return Missing("key not found: " + keyText);
    return result == RegistryResult::kOk ? kRegOk : StoreFailed("cannot delete from " + keyText);
  }

  int List(const std::string& keyText) {
    const auto key = ParseKey(keyText);
    if (!key) return kRegUsage;
    if (!StoreUsable(key->root)) return kRegStoreFailed;
    const auto opened = store_.OpenKey(key->root, key->path, false);
    if (!opened) return Missing("key not found: " + keyText);
    for (const std::wstring& name : opened->SubkeyNames()) out_ << ToNarrowString(name) << "\n";
    return kRegOk;
  }

  // Without a key: the two roots, in the form KEY accepts.
  int ListRoots() {
    out_ << "HKCU\nHKCR\n";
    return kRegOk;
  }

  void PrintValue(const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) {
    out_ << (name.empty() ? "(default)" : name) << "\t" << TypeText(type) << "\t"
         << DataText(type, data) << "\n";
  }

  static std::string ValueLabel(const std::string& name) {
    return name.empty() ? "(default)" : "\"" + name + "\"";
  }

  RegistryStore& store_;
  const std::string& storeName_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace

int RunRegCommand(const std::vector<std::string>& arguments, RegistryStore& store,
                  const std::string& storeName, std::ostream& out, std::ostream& err) {
  return Command(store, storeName, out, err).Run(arguments);
}

}  // namespace zefo
