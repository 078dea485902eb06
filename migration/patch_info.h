// The installed version of a game, from the "version=" text of its
// patch-information file (normally "PatchInfo\Patch.ini" in the install folder).
//
// The file is not read as sections and keys: the first "version=" anywhere
// counts (letter case matters), and its value runs to the end of that line.
//
// Finding the file: the folder comes from an old launcher's command and is
// written for Windows. Windows opens folder + relative path as given. On
// Linux, '\' and '/' are both separators, so "\home\ana\Games\Bw\" and
// "/home/ana/Games/Bw/" name the same folder; the names below the folder are
// matched without regard to letter case, as Windows does; a folder with a
// drive ("D:\Games\Bw\") or a network share ("\\server\games\") has no
// counterpart and is not found, so the game keeps its default version. A
// relative or empty folder is taken from the current folder, as on Windows.
#pragma once

#include <cstdint>
#include <string>

namespace zefo {

// Decimal text as a signed 32-bit number: leading white space skipped, an
// optional sign, digits up to the first other character. No digits give 0;
// values beyond the 32-bit range give its limits.
std::int32_t ParseSaturatedInt32(const std::wstring& text);

// The version in the raw bytes of a patch-information file (text up to the
// first zero byte, in the thread's ANSI code page), or `defaultVersion` when
// it has no "version=". The value ends before the first "\r\n" after it; when
// there is none, before the first "\r"; else before the first "\n".
std::int32_t VersionFromPatchInfo(const std::string& bytes, std::int32_t defaultVersion);

// The version read from `folder` + `patchInfoPath`, or `defaultVersion` when
// no path is given, the file cannot be read, or it has no "version=".
std::int32_t ReadGameVersion(const std::wstring& folder, const std::wstring& patchInfoPath,
                             std::int32_t defaultVersion);

// Platform part (posix/, win32/).

// Text in the thread's ANSI code page (UTF-8 on Linux) as wide text; "" when
// it does not convert.
std::wstring ThreadAnsiToWide(const std::string& text);

// The file `relative` below `folder` on this machine, as OpenForReading takes
// it; "" when the folder cannot exist here.
std::wstring PatchInfoFilePath(const std::wstring& folder, const std::wstring& relative);

}  // namespace zefo
