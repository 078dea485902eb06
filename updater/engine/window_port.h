// How the update engine reaches the main window. The engine never touches a
// window itself: it posts one of these messages, asks for a close, reports
// progress and shows message boxes, all through this port. The Win32 window,
// the terminal front-end and the tests' scripted window implement it.
#pragma once

#include "updater/ui/message_box.h"

namespace zefo {

// Window messages, with the values the Windows build posts.
enum class WindowMessage : unsigned {
  kUpdateRestart = 0x401,       // WM_UPDATE_RESTART: show the restart prompt
  kUpdateLaunch = 0x402,        // WM_UPDATE_LAUNCH: start the launcher
  kUpdateFullDownload = 0x403,  // WM_UPDATE_FULL_DOWNLOAD: start the full download
  kAppExit = 0xE141,            // WM_COMMAND with ID_APP_EXIT: end the program
};

class MainWindowPort : public MessageBoxHost {
 public:
  // Queues a message for the window's thread (PostMessageW); never blocks.
  virtual void Post(WindowMessage message) = 0;
  // Closes the window and returns once it is closed (SendMessage WM_CLOSE).
  virtual void SendClose() = 0;
  // Switches to the updating display: progress 0 of `total` (1..65535).
  virtual void BeginProgress(int total) = 0;
  // Shows `position` of the current total.
  virtual void SetProgress(int position) = 0;
  // Enables Start again and redraws it (after a confirmed version-check failure).
  virtual void EnableStart() = 0;
  // The window's m_bWorkerStarted, cleared by a worker when it ends.
  virtual void ClearWorkerStarted() = 0;
};

}  // namespace zefo
