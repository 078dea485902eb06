#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "updater/engine/durable_files.h"
#include "updater/sys/last_error.h"
#include "updater/sys/posix/native_path.h"

namespace zefo {

bool SyncToDisk(const std::vector<std::wstring>& paths, std::size_t* failed) {
  // One syncfs per file system: a folder the user moved to another drive
  // has its own.
  std::set<dev_t> synced;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::wstring& path = paths[i];
    const int fd = open(NativePathString(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    const bool ok = fd >= 0 && fstat(fd, &st) == 0 &&
                    (synced.count(st.st_dev) != 0 || syncfs(fd) == 0);
    const int error = errno;
    if (fd >= 0) close(fd);
    if (!ok) {
      SetLastErrorCode(static_cast<std::uint32_t>(error));
      *failed = i;
      return false;
    }
    synced.insert(st.st_dev);
  }
  return true;
}

}  // namespace zefo
