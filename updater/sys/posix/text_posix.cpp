// Narrow text is UTF-8 and wide text UTF-32 here, whatever setlocale says.
// Malformed input never fails a conversion: each maximal ill-formed
// subsequence (Unicode's recommended practice) becomes U+FFFD.
#include "updater/sys/text.h"

#include <cstdint>

namespace zefo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one character at `text[*pos]` and advances past it (or past the
// ill-formed bytes it replaces).
char32_t DecodeUtf8(const std::string& text, std::size_t* pos) {
  const auto byteAt = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byteAt(*pos);
  ++*pos;
  if (lead < 0x80) return lead;
  int trailing = 0;
  char32_t cp = 0;
  // The second byte's range excludes overlong forms, surrogates and
  // values above U+10FFFF.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < trailing; ++i) {
    if (*pos >= text.size()) return kReplacement;
    const unsigned char byte = byteAt(*pos);
    if (i == 0 ? (byte < low || byte > high) : !IsContinuation(byte)) return kReplacement;
    cp = (cp << 6) | (byte & 0x3F);
    ++*pos;
  }
  return cp;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring ToWideString(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    wide.push_back(static_cast<wchar_t>(DecodeUtf8(text, &pos)));
  }
  return wide;
}

std::string ToNarrowString(const std::wstring& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    // A UTF-16 pair that reached a wide string is joined; lone surrogates
    // and values beyond Unicode cannot be encoded.
    if (IsHighSurrogate(cp) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp) || cp > 0x10FFFF) {
      cp = kReplacement;
    }
    AppendUtf8(cp, &narrow);
  }
  return narrow;
}

}  // namespace zefo
