// File operations with the Windows semantics the update code expects; every
// failure leaves errno in the thread's last error.
#include "updater/sys/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "updater/sys/last_error.h"
#include "updater/sys/posix/native_path.h"
#include "updater/sys/text.h"

namespace zefo {
namespace {

bool Fail() {
  SetLastErrorCode(static_cast<std::uint32_t>(errno));
  return false;
}

bool Check(int result) { return result == 0 || Fail(); }

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, so that a failing close is seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool EndsWithIgnoringCase(const std::wstring& text, const std::wstring& suffix) {
  return text.size() >= suffix.size() &&
         EqualIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// Programs the update installs are made executable; Linux has no other mark
// for them than the mode.
mode_t ModeForName(const std::wstring& path) {
  return EndsWithIgnoringCase(path, L".exe") ? 0755 : 0644;
}

// Errors of copy_file_range that only mean "not between these two files".
bool KernelCopyUnsupported(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

// Copies `size` bytes (or to the end) in the kernel where the file systems
// allow, which spares a trip through this process's memory and lets some
// file systems share the blocks; otherwise through a buffer, from where the
// kernel copy stopped.
bool CopyContents(int from, int to, off_t size) {
  for (off_t copied = 0; copied < size;) {
    const ssize_t moved = copy_file_range(from, nullptr, to, nullptr, static_cast<std::size_t>(size - copied), 0);
    if (moved > 0) {
      copied += moved;
    } else if (moved < 0 && errno == EINTR) {
      continue;
    } else if (moved < 0 && !(copied == 0 && KernelCopyUnsupported(errno))) {
      return false;
    } else {
      break;  // unsupported, or a file system that reports nothing copied
    }
  }
  std::vector<char> buffer(1 << 17);
  for (;;) {
    const ssize_t got = read(from, buffer.data(), buffer.size());
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno != EINTR) return false;
      if (put > 0) done += put;
    }
  }
}

// The link itself: a trailing separator or "." component would make the
// system follow it.
std::string LinkPathString(const std::wstring& path) {
  std::string native = NativePathString(path);
  for (;;) {
    if (native.size() > 1 && native.back() == '/') {
      native.pop_back();
    } else if (native.size() > 2 && native.compare(native.size() - 2, 2, "/.") == 0) {
      native.resize(native.size() - 2);
    } else {
      return native;
    }
  }
}

bool SyncFile(const std::wstring& path) {
  FileDescriptor file(open(NativePathString(path).c_str(), O_RDONLY | O_CLOEXEC));
  return (file.get() >= 0 && fsync(file.get()) == 0) || Fail();
}

FileHandle Open(const std::wstring& path, const char* mode) {
  FileHandle file(std::fopen(NativePathString(path).c_str(), mode));
  if (!file) Fail();
  return file;
}

}  // namespace

bool PathExists(const std::wstring& path) {
  return Check(access(NativePathString(path).c_str(), F_OK));
}

bool IsDirectory(const std::wstring& path) {
  struct stat st;
  if (stat(NativePathString(path).c_str(), &st) != 0) return Fail();
  return S_ISDIR(st.st_mode);
}

std::wstring CurrentFolder() {
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) {
    Fail();
    return std::wstring();
  }
  std::wstring folder = ToWideString(buffer);
  if (folder.size() + 1 > kCurrentFolderSize) {
    SetLastErrorCode(ENAMETOOLONG);
    return std::wstring();
  }
  return folder;
}

bool SetCurrentFolder(const std::wstring& path) {
  return Check(chdir(NativePathString(path).c_str()));
}

bool MakeDirectory(const std::wstring& path) {
  return Check(mkdir(NativePathString(path).c_str(), 0777));
}

bool RemoveEmptyDirectory(const std::wstring& path) {
  return Check(rmdir(NativePathString(path).c_str()));
}

bool RemoveFile(const std::wstring& path) {
  return Check(unlink(NativePathString(path).c_str()));
}

bool IsLink(const std::wstring& path) {
  struct stat st;
  if (lstat(LinkPathString(path).c_str(), &st) != 0) return Fail();
  return S_ISLNK(st.st_mode);
}

bool RemoveLink(const std::wstring& path) {
  const std::string native = LinkPathString(path);
  struct stat st;
  if (lstat(native.c_str(), &st) != 0) return Fail();
  if (!S_ISLNK(st.st_mode)) {
    errno = EINVAL;
    return Fail();
  }
  return Check(unlink(native.c_str()));
}

bool RenameNoReplace(const std::wstring& from, const std::wstring& to) {
  const std::string source = NativePathString(from);
  const std::string target = NativePathString(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return Fail();
  // File systems without RENAME_NOREPLACE: check first (not atomic).
  struct stat st;
  if (lstat(target.c_str(), &st) == 0) {
    errno = EEXIST;
    return Fail();
  }
  return Check(rename(source.c_str(), target.c_str()));
}

bool MoveReplace(const std::wstring& from, const std::wstring& to) {
  if (rename(NativePathString(from).c_str(), NativePathString(to).c_str()) == 0) return true;
  if (errno != EXDEV) return Fail();
  // The source goes only once its copy is on the disk.
  return CopyFileTo(from, to, true) && SyncFile(to) && RemoveFile(from);
}

bool CopyFileTo(const std::wstring& from, const std::wstring& to, bool overwrite) {
  FileDescriptor source(open(NativePathString(from).c_str(), O_RDONLY | O_CLOEXEC));
  struct stat sourceStat;
  if (source.get() < 0 || fstat(source.get(), &sourceStat) != 0) return Fail();
  if (S_ISDIR(sourceStat.st_mode)) {
    errno = EISDIR;
    return Fail();
  }
  // Written in place: a running program refuses O_WRONLY with ETXTBSY, as
  // Windows refuses to overwrite it. No O_TRUNC before the same-file check.
  const std::string targetPath = NativePathString(to);
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
  FileDescriptor target(open(targetPath.c_str(), flags, 0600));
  struct stat targetStat;
  if (target.get() < 0 || fstat(target.get(), &targetStat) != 0) return Fail();
  if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
    errno = EINVAL;
    return Fail();
  }
  if (ftruncate(target.get(), 0) != 0 || fchmod(target.get(), ModeForName(to)) != 0 ||
      !CopyContents(source.get(), target.get(), sourceStat.st_size) || !target.Close()) {
    const int error = errno;
    // A half-written copy would pass for the real file.
    unlink(targetPath.c_str());
    errno = error;
    return Fail();
  }
  return true;
}

std::vector<DirectoryEntry> FindEntries(const std::wstring& folder, const std::wstring& pattern) {
  std::vector<DirectoryEntry> entries;
  const bool all = pattern == L"*.*";
  const bool suffix = !all && pattern.size() > 2 && pattern.compare(0, 2, L"*.") == 0 &&
                      pattern.find_first_of(L"*?", 2) == std::wstring::npos;
  if (!all && !suffix) {
    SetLastErrorCode(EINVAL);
    return entries;
  }
  const std::wstring extension = pattern.substr(1);
  const std::string native = folder.empty() ? std::string(".") : NativePathString(folder);
  std::unique_ptr<DIR, DirCloser> dir(opendir(native.c_str()));
  if (!dir) {
    Fail();
    return entries;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry found{ToWideString(name)};
    if (suffix && !EndsWithIgnoringCase(found.name, extension)) continue;
    // A link is never a folder here: removing a tree must not follow one out
    // of it.
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode)) type = DT_DIR;
        if (S_ISLNK(st.st_mode)) type = DT_LNK;
      }
    }
    found.isDirectory = type == DT_DIR;
    found.isLink = type == DT_LNK;
    entries.push_back(std::move(found));
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  return entries;
}

FileHandle OpenForReading(const std::wstring& path) { return Open(path, "rbe"); }

FileHandle OpenForWriting(const std::wstring& path) { return Open(path, "wbe"); }

}  // namespace zefo
