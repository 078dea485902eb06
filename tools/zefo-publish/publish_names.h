// Names on the patch server and the rules a published name must follow so
// that the updater can fetch, prove and install it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zefo::publish {

constexpr char kVersionInfoName[] = "VersionInfo.txt";
constexpr char kVersionHashName[] = "VersionHash.inf";
constexpr char kFullPatchName[] = "FullPatchInfo.inf";
constexpr char kDownloadListName[] = "download_info.txt";
constexpr char kRemoveFilesName[] = "RemoveFiles.inf";
constexpr char kUpdaterName[] = "ZEFOLauncher.exe";
constexpr char kNewUpdaterName[] = "ZEFOLauncher_New.exe";
// Files are written under this suffix and renamed into place when complete.
constexpr char kTemporarySuffix[] = ".zefo-publish-tmp";

// Installations start at version 99 and fetch the list of every version above
// their own, so every version folder from this one on must exist.
constexpr std::int32_t kFirstFetchedVersion = 100;

// The updater stages every listed file as "Output//Launcher//download//<name>"
// in a 512-byte buffer; longer names cannot be fetched.
constexpr std::size_t kMaxNameBytes = 511 - (sizeof("Output//Launcher//download//") - 1);

// Every byte a printable ASCII character (0x20 to 0x7E).
bool IsPrintableAscii(const std::string& text);

// Empty when the updater can handle `name` (a path below the program folder,
// '/' separated) as a file of a build; otherwise why not.
std::string CheckBuildName(const std::string& name);

// The name a version list uses for a build file: the updater's own executable
// is delivered as "ZEFOLauncher_New.exe".
std::string ListName(const std::string& buildName);
// The reverse: the file a list entry ends up as in the program folder.
std::string InstallName(const std::string& listName);
// The name under which the updater looks up a listed file's digest: '\'
// separators, and "ZEFOLauncher_New.exe" as "ZEFOLauncher.exe".
std::string LookupName(const std::string& listName);

std::string WithBackslashes(std::string name);
std::string AsciiLowercase(std::string text);

// A version as folders name it and the command line gives it: decimal digits
// without a leading zero, at most INT32_MAX. False for "0104", "+5", "x", "".
bool ParseVersionNumber(const std::string& text, std::int32_t* version);

}  // namespace zefo::publish
