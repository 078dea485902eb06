#include "tools/zefo-publish/platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace zefo::publish {

FileHandle OpenFile(const std::filesystem::path& path, const char* mode) {
  return FileHandle(std::fopen(path.c_str(), mode));
}

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace zefo::publish
