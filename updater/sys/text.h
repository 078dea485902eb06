// Wide and narrow text, bounded formatting, splitting and trimming.
//
// "Wide" is std::wstring / wchar_t: UTF-16 on Windows, UTF-32 on Linux (glibc's
// wchar_t is 32 bits wide; nothing here depends on the unit size).
// "Narrow" is the ANSI code page (CP_ACP) on Windows and UTF-8 on Linux.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zefo {

// Fixed buffers of the update steps hold this many characters.
constexpr std::size_t kTextBufferSize = 512;

// Converts zero-terminated narrow text into `buffer` (capacity in wide
// characters, terminator included). False, buffer untouched, when it does not fit.
bool ToWide(const char* text, wchar_t* buffer, std::size_t capacity);
// Converts zero-terminated wide text into `buffer` (capacity in bytes,
// terminator included). False when it does not fit.
bool ToNarrow(const wchar_t* text, char* buffer, std::size_t capacity);

// Unbounded conversions for code that has no fixed buffer to honour.
std::wstring ToWideString(const std::string& text);
std::string ToNarrowString(const std::wstring& text);

// printf into a buffer of `capacity` characters (terminator included).
// Returns the characters written, or -1 (buffer then holds "") when the text
// does not fit or the conversion fails.
int FormatTo(char* buffer, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int FormatTo(char (&buffer)[kTextBufferSize], const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Wide printf: "%s" takes a wide string on every platform (as with the
// Windows runtime), "%c" a wide character.
int FormatToW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...);
int FormatToW(wchar_t (&buffer)[kTextBufferSize], const wchar_t* format, ...);

// Splits like reading lines with `delimiter` as line end: "a/b//c" -> a, b, "", c;
// "a/b/" -> a, b; "" -> nothing.
std::vector<std::string> SplitString(const std::string& text, char delimiter);
std::vector<std::wstring> SplitString(const std::wstring& text, wchar_t delimiter);

// Drops leading and trailing characters that are in `set`.
std::string TrimString(const std::string& text, const std::string& set);

}  // namespace zefo
