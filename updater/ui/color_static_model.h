// Font height and text layout of the coloured static text.
#pragma once

#include <cstdint>

namespace zefo {

// a * b / c rounded half away from zero, as Win32 MulDiv; -1 when c is 0
// or the result does not fit.
int MulDivRound(int a, int b, int c);

// The font height (negative: character height) of `points` on a display of
// `pixelsPerInch` vertical pixels per inch.
int FontHeightFromPoints(int points, int pixelsPerInch);

// DrawText flags for a static control's style: horizontal alignment from
// SS_CENTER / SS_RIGHT, one centred line with SS_CENTERIMAGE, else word wrap.
std::uint32_t StaticTextFormat(std::uint32_t style);

// Face names hold at most this many characters (LF_FACESIZE less the terminator).
constexpr int kMaxFaceNameLength = 31;

}  // namespace zefo
