// The "showup_zlauncher" message that tells a running launcher to come to the
// front, with the launch token's hash and the mode's hash.
//
// Windows: the registered window message posted to HWND_BROADCAST.
// Linux: the datagram "showup_zlauncher <wParam> <lParam>\n" (decimal) sent to
// every abstract Unix datagram socket whose name begins with
// "zefo.window.<uid>." (a launcher binds one as its top-level window), as
// listed in /proc/net/unix. Nothing is waited for and nothing is reported.
#pragma once

#include <cstdint>

namespace zefo {

void BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam);

}  // namespace zefo
