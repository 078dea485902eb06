// Installed files reach the disk before the version that describes them is
// recorded: the copies are written without a sync each, then made durable in
// one pass.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zefo {

// Writes the data and the folder entries of `paths` through to the disk.
// Linux syncs each file system they lie on once (syncfs), which also covers
// the renames made beside them; Windows flushes each file (FlushFileBuffers).
// False, with the thread's last error and the index of the path that failed
// in `failed`, when the system reports a failure (such as a write-back
// error): the files may then not be on the disk.
bool SyncToDisk(const std::vector<std::wstring>& paths, std::size_t* failed);

}  // namespace zefo
