// Environment variables set for the life of a test object.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace zefo {

// Sets an environment variable for the life of the object (unset: nullopt).
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnvironment() { Set(old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_, value->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> old_;
};

// No proxy from the test's own environment: these tests talk to 127.0.0.1 directly.
class NoProxyEnvironment {
  ScopedEnvironment vars_[7] = {{"http_proxy", std::nullopt}, {"https_proxy", std::nullopt},
                                {"HTTPS_PROXY", std::nullopt}, {"all_proxy", std::nullopt},
                                {"ALL_PROXY", std::nullopt}, {"no_proxy", std::nullopt},
                                {"NO_PROXY", std::nullopt}};
};

}  // namespace zefo
