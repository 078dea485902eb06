// System information on Linux: os-release, uname, glibc's locale
// identification and strerror in English.
#include <curl/curl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/utsname.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "updater/sys/posix/os_release.h"
#include "updater/sys/system_info.h"
#include "updater/sys/system_info_platform.h"

namespace zefo {
namespace {

// A locale object that frees itself.
class Locale {
 public:
  Locale(int mask, const char* name) : locale_(newlocale(mask, name, nullptr)) {}
  ~Locale() {
    if (locale_ != nullptr) freelocale(locale_);
  }
  Locale(const Locale&) = delete;
  Locale& operator=(const Locale&) = delete;

  locale_t Get() const { return locale_; }

 private:
  locale_t locale_;
};

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
    return value.substr(1, value.size() - 2);
  }
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return value;
  std::string text;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    if (value[i] == '\\' && i + 2 < value.size()) ++i;
    text += value[i];
  }
  return text;
}

std::string ReadOsRelease() {
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(path, std::ios::binary);
    if (in)
      return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return "";
}

// One field of the identification of the environment's locale (LC_ALL,
// LC_IDENTIFICATION, LANG). The C and POSIX locales name no language, and a
// locale that is not installed cannot be asked: both give "".
std::string LocaleIdentification(nl_item item) {
  const Locale locale(LC_IDENTIFICATION_MASK, "");
  if (locale.Get() == nullptr) return "";
  if (*nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, locale.Get()) == '\0') return "";
  return nl_langinfo_l(item, locale.Get());
}

}  // namespace

std::string OsNameFromOsRelease(const std::string& content) {
  std::map<std::string, std::string> fields;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    const std::size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
    fields[line.substr(0, equals)] = Unquote(line.substr(equals + 1));
  }
  for (const char* key : {"PRETTY_NAME", "NAME"}) {
    const auto found = fields.find(key);
    if (found != fields.end() && !found->second.empty()) return found->second;
  }
  return "Linux";
}

std::string GetOsName() { return OsNameFromOsRelease(ReadOsRelease()); }

bool IsWindows10OrLater() { return true; }

bool IsWow64() {
  utsname name{};
  if (uname(&name) != 0) return false;
  // x86_64, aarch64, ppc64le, riscv64, ... and the two without "64" in the name.
  const std::string machine = name.machine;
  return machine.find("64") != std::string::npos || machine == "s390x" || machine == "alpha";
}

std::string GetSystemLanguageName() { return LocaleIdentification(_NL_IDENTIFICATION_LANGUAGE); }

std::string GetSystemCountryName() { return LocaleIdentification(_NL_IDENTIFICATION_TERRITORY); }

// Messages are English whatever the language asked for.
std::string PlatformErrorMessage(std::uint32_t code, std::uint32_t /*languageId*/) {
  if (code > INT_MAX) return "";
  const int error = static_cast<int>(code);
  // glibc names every errno value it knows; others would read "Unknown error".
  if (strerrorname_np(error) == nullptr) return "";
  static const Locale english(LC_ALL_MASK, "C");
  return std::string(strerror_l(error, english.Get())) + "\r\n";
}

std::string CurlErrorText(std::uint32_t code) {
  if (code >= CURL_LAST) return "";
  return curl_easy_strerror(static_cast<CURLcode>(code));
}

}  // namespace zefo
