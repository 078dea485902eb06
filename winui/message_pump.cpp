#include "winui/message_pump.h"

namespace zefo::winui {

bool PumpMessage(HWND dialog, UINT wakeMessage) {
  MSG message{};
  if (GetMessageW(&message, nullptr, 0, 0) <= 0) return false;
  if (message.hwnd == dialog && message.message == wakeMessage) return true;
  if (dialog == nullptr || !IsDialogMessageW(dialog, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

}  // namespace zefo::winui
