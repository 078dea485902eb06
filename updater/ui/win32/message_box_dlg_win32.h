// The Windows form of the program's message box: template 457 skinned with
// picture 137, the title and message in coloured lines, one or two image
// buttons.
#pragma once

#include "updater/ui/message_box.h"

namespace zefo::win32 {

// Shows `box` modally on the calling thread, without an owner window, and
// returns MessageBoxDlg::kConfirm (the confirm button or Enter) or kQuit
// ("Quit", Escape, closing, or a box that could not be shown).
int RunMessageBoxDlg(const MessageBoxDlg& box);

}  // namespace zefo::win32
