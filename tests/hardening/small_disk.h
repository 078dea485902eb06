// A small file system of the test's own: a tmpfs mounted on a fresh folder
// while the object lives (root only, as CI runs), unmounted however the test
// ends.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/test_folders.h"

namespace zefo::testing {

class SmallDisk {
 public:
  explicit SmallDisk(const std::string& size);  // such as "4m"
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  // Why there is no disk (not root, mount refused); "" when mounted.
  const std::string& refusal() const { return refusal_; }
  const std::filesystem::path& path() const { return path_; }
  // Gives the mounted file system a new size; false when refused.
  bool Resize(const std::string& size);

 private:
  TempFolder folder_;
  std::filesystem::path path_;
  std::string refusal_;
};

}  // namespace zefo::testing
