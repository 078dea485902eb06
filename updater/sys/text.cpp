// Bounded formatting, splitting and trimming; the conversions live in the
// platform adapters (posix/text_posix.cpp, win32/text_win32.cpp).
#include "updater/sys/text.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace zefo {
namespace {

int FormatInto(char* buffer, std::size_t capacity, const char* format, std::va_list args) {
  if (capacity == 0) return -1;
  const int written = std::vsnprintf(buffer, capacity, format, args);
  if (written < 0 || static_cast<std::size_t>(written) >= capacity) {
    buffer[0] = '\0';
    return -1;
  }
  return written;
}

bool IsLengthModifier(wchar_t c) {
  return std::wcschr(L"hlLqjztI", c) != nullptr || (c >= L'0' && c <= L'9');
}

// The C library's wide printf takes a narrow string for "%s" and a narrow
// character for "%c"; callers write Windows-style formats where both are
// wide. Conversions without a length modifier get an explicit 'l'.
std::wstring WidenConversions(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p != L'\0';) {
    out += *p;
    if (*p++ != L'%') continue;
    if (*p == L'%') {
      out += *p++;
      continue;
    }
    while (*p != L'\0' && std::wcschr(L"-+ #0'123456789.*$", *p) != nullptr) out += *p++;
    const std::size_t lengthStart = out.size();
    while (*p != L'\0' && IsLengthModifier(*p)) out += *p++;
    if ((*p == L's' || *p == L'c') && out.size() == lengthStart) out += L'l';
    if (*p != L'\0') out += *p++;
  }
  return out;
}

int FormatIntoW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, std::va_list args) {
  if (capacity == 0) return -1;
  const std::wstring widened = WidenConversions(format);
  // Some runtimes answer an overflow with -1, others with the full length.
  const int written = std::vswprintf(buffer, capacity, widened.c_str(), args);
  if (written < 0 || static_cast<std::size_t>(written) >= capacity) {
    buffer[0] = L'\0';
    return -1;
  }
  return written;
}

template <typename Char>
std::vector<std::basic_string<Char>> Split(const std::basic_string<Char>& text, Char delimiter) {
  std::vector<std::basic_string<Char>> fields;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(delimiter, start);
    if (end == std::basic_string<Char>::npos) {
      fields.push_back(text.substr(start));
      break;
    }
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

}  // namespace

int FormatTo(char* buffer, std::size_t capacity, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const int written = FormatInto(buffer, capacity, format, args);
  va_end(args);
  return written;
}

int FormatTo(char (&buffer)[kTextBufferSize], const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const int written = FormatInto(buffer, kTextBufferSize, format, args);
  va_end(args);
  return written;
}

int FormatToW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  const int written = FormatIntoW(buffer, capacity, format, args);
  va_end(args);
  return written;
}

int FormatToW(wchar_t (&buffer)[kTextBufferSize], const wchar_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  const int written = FormatIntoW(buffer, kTextBufferSize, format, args);
  va_end(args);
  return written;
}

bool ToWide(const char* text, wchar_t* buffer, std::size_t capacity) {
  const std::wstring wide = ToWideString(text);
  if (wide.size() + 1 > capacity) return false;
  wide.copy(buffer, wide.size());
  buffer[wide.size()] = L'\0';
  return true;
}

bool ToNarrow(const wchar_t* text, char* buffer, std::size_t capacity) {
  const std::string narrow = ToNarrowString(text);
  if (narrow.size() + 1 > capacity) return false;
  narrow.copy(buffer, narrow.size());
  buffer[narrow.size()] = '\0';
  return true;
}

std::vector<std::string> SplitString(const std::string& text, char delimiter) {
  return Split(text, delimiter);
}

std::vector<std::wstring> SplitString(const std::wstring& text, wchar_t delimiter) {
  return Split(text, delimiter);
}

std::string TrimString(const std::string& text, const std::string& set) {
  const std::size_t last = text.find_last_not_of(set);
  if (last == std::string::npos) return std::string();
  const std::size_t first = text.find_first_not_of(set);
  return text.substr(first, last - first + 1);
}

}  // namespace zefo
