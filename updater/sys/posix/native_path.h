// How the wide, Windows-style paths of the update code name Linux files.
//
// - Wide text is UTF-32 and becomes UTF-8 (text.h); a character that cannot
//   be encoded becomes U+FFFD. A stored name that is not valid UTF-8 reads
//   with U+FFFD in place of the bad bytes and cannot be named back.
// - '\' is a separator like '/': L"Output\\Launcher\\a.dll" is
//   "Output/Launcher/a.dll". A Linux file whose name contains '\' therefore
//   cannot be named through these paths.
// - Nothing else changes: doubled separators stay (Linux treats them as one),
//   a leading '/' makes the path absolute, and a drive prefix such as "C:" is
//   an ordinary name.
// - Names are matched exactly, except by ResolvePathIgnoringCase and by the
//   "*.<ext>" patterns of FindEntries, which ignore letter case the way
//   Windows does (see FoldCase).
#pragma once

#include <string>

namespace zefo {

// The path as the POSIX calls take it.
std::string NativePathString(const std::wstring& path);

// Letter case folded for comparisons that ignore it: the small letters of
// ASCII, Latin-1, Latin Extended-A and the basic Greek and Cyrillic alphabets
// map to their capitals; everything else stays as it is (scripts without
// case, such as Hangul, need nothing).
wchar_t FoldCase(wchar_t c);
bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b);

}  // namespace zefo
