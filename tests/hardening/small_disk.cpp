#include "tests/hardening/small_disk.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zefo::testing {

SmallDisk::SmallDisk(const std::string& size) : path_(folder_.path() / "disk") {
  std::filesystem::create_directories(path_);
  if (::geteuid() != 0) {
    refusal_ = "mounting a small file system needs root (CI runs the tests as root)";
    return;
  }
  const std::string options = "size=" + size + ",mode=0755";
  if (::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
    refusal_ = std::string("mounting a tmpfs was refused: ") + std::strerror(errno);
  }
}

SmallDisk::~SmallDisk() {
  // Detached: a process still working in it cannot keep it mounted.
  if (refusal_.empty()) ::umount2(path_.c_str(), MNT_DETACH);
}

bool SmallDisk::Resize(const std::string& size) {
  const std::string options = "size=" + size + ",mode=0755";
  return ::mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

}  // namespace zefo::testing
