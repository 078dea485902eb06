// Value data in the registry's own byte layout. Wide text is UTF-16 on
// Windows and UTF-32 on Linux; REG_SZ data is UTF-16LE on both.
#include "updater/sys/registry_store.h"

namespace zefo {
namespace {

void AppendUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

std::vector<std::uint8_t> LittleEndian(std::uint64_t value, std::size_t bytes) {
  std::vector<std::uint8_t> out(bytes);
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return out;
}

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::vector<std::uint8_t> EncodeRegString(const std::wstring& text) {
  std::vector<std::uint8_t> out;
  out.reserve(2 * text.size() + 2);
  for (const wchar_t c : text) {
    const auto cp = static_cast<std::uint32_t>(c);
    if (cp > 0xFFFF && cp <= 0x10FFFF) {
      AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else if (cp > 0x10FFFF) {
      AppendUnit(out, 0xFFFD);  // not a character: UTF-16 cannot hold it
    } else {
      AppendUnit(out, cp);
    }
  }
  AppendUnit(out, 0);
  return out;
}

std::wstring DecodeRegString(const std::vector<std::uint8_t>& data) {
  std::wstring text;
  const std::size_t units = data.size() / 2;  // an odd last byte is no unit
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t unit = data[2 * i] | (data[2 * i + 1] << 8);
    if (unit == 0) break;
    // Wide strings are UTF-32 where wchar_t is 4 bytes: join pairs there.
    if (sizeof(wchar_t) == 4 && IsHighSurrogate(unit) && i + 1 < units) {
      const std::uint32_t next = data[2 * i + 2] | (data[2 * i + 3] << 8);
      if (IsLowSurrogate(next)) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      }
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

std::vector<std::uint8_t> EncodeRegDword(std::uint32_t value) { return LittleEndian(value, 4); }

std::vector<std::uint8_t> EncodeRegQword(std::uint64_t value) { return LittleEndian(value, 8); }

}  // namespace zefo
