#include "updater/ui/color_static_model.h"

#include <limits>

namespace zefo {

namespace {

constexpr std::uint32_t kStaticTypeMask = 0x1F;  // SS_TYPEMASK
constexpr std::uint32_t kStaticCenter = 0x1;     // SS_CENTER
constexpr std::uint32_t kStaticRight = 0x2;      // SS_RIGHT
constexpr std::uint32_t kStaticCenterImage = 0x200;  // SS_CENTERIMAGE

constexpr std::uint32_t kDrawCenter = 0x1;      // DT_CENTER
constexpr std::uint32_t kDrawRight = 0x2;       // DT_RIGHT
constexpr std::uint32_t kDrawVCenter = 0x4;     // DT_VCENTER
constexpr std::uint32_t kDrawWordBreak = 0x10;  // DT_WORDBREAK
constexpr std::uint32_t kDrawSingleLine = 0x20; // DT_SINGLELINE

}  // namespace

int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  long long product = static_cast<long long>(a) * b;
  long long divisor = c;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const long long half = divisor / 2;
  const long long result = product < 0 ? (product - half) / divisor : (product + half) / divisor;
  if (result > std::numeric_limits<int>::max() || result < -std::numeric_limits<int>::max()) {
    return -1;
  }
  return static_cast<int>(result);
}

int FontHeightFromPoints(int points, int pixelsPerInch) {
  return -MulDivRound(points, pixelsPerInch, 72);
}

std::uint32_t StaticTextFormat(std::uint32_t style) {
  // The alignment is a value of the type field, not a set of bits: SS_CENTER
  // and SS_RIGHT are only the text types 1 and 2.
  const std::uint32_t type = style & kStaticTypeMask;
  std::uint32_t format = 0;
  if (type == kStaticCenter) {
    format |= kDrawCenter;
  } else if (type == kStaticRight) {
    format |= kDrawRight;
  }
  format |= (style & kStaticCenterImage) ? (kDrawVCenter | kDrawSingleLine) : kDrawWordBreak;
  return format;
}

}  // namespace zefo
