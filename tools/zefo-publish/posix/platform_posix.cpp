#include "tools/zefo-publish/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace zefo::publish {

FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
  return FileHandle(std::fopen(path.c_str(), mode));
}

FileHandle CreatePrivateFile(const std::filesystem::path& path, std::string* reason) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *reason = errno == EEXIST ? "it exists already (a key is never overwritten)" : std::strerror(errno);
    return nullptr;
  }
  // The mode, whatever the umask.
  if (fchmod(fd, 0600) != 0) {
    *reason = std::strerror(errno);
    close(fd);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    *reason = std::strerror(errno);
    close(fd);
  }
  return FileHandle(file);
}

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

bool SyncAll(const std::vector<std::filesystem::path>& paths) {
  std::set<dev_t> synced;
  for (const std::filesystem::path& path : paths) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status;
    const bool ok = fstat(fd, &status) == 0 && (synced.count(status.st_dev) != 0 || syncfs(fd) == 0);
    close(fd);
    if (!ok) return false;
    synced.insert(status.st_dev);
  }
  return true;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace zefo::publish
