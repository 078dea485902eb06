// One turn of the message loop of a thread whose dialog runs its own loop
// (not DialogBoxParamW): the dialog's keyboard handling (Tab, Enter, Escape)
// comes first, then the usual translation and dispatch.
#pragma once

#include <windows.h>

namespace zefo::winui {

// Waits for the thread's next message and handles it. A `wakeMessage` posted
// to `dialog` only wakes the caller and is not dispatched. False when the
// message was WM_QUIT (or the queue failed): the loop is asked to end.
bool PumpMessage(HWND dialog, UINT wakeMessage);

}  // namespace zefo::winui
