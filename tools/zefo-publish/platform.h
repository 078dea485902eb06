// The few platform calls of the publishing tool.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "updater/sys/file_system.h"

namespace zefo::publish {

// fopen for a path of any characters (wide on Windows).
FileHandle OpenFile(const std::filesystem::path& path, const char* mode);
// Creates a new file for binary writing that only its owner may read (a
// secret key); fails when `path` exists. `reason` says why it failed.
FileHandle CreatePrivateFile(const std::filesystem::path& path, std::string* reason);
// Writes the stream's buffers and asks the system to put the data on disk.
bool SyncFile(std::FILE* file);
// Makes the names created or renamed in `folder` durable.
bool SyncFolder(const std::filesystem::path& folder);
// Puts the data and names of every file and folder of `paths` on disk in one
// batch, much cheaper than a flush per file: Linux flushes each file system
// they lie on once; Windows flushes each file (NTFS journals the names).
bool SyncAll(const std::vector<std::filesystem::path>& paths);
// Replaces `to` by `from` in one step; readers see the old or the new file.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);
bool IsTerminal(std::FILE* stream);

}  // namespace zefo::publish
