// How the update steps tell the user about a failure: the alert-coloured
// "ERROR" box with a message head and a narrow detail line.
#pragma once

#include <cstdint>
#include <string>

#include "updater/engine/window_port.h"

namespace zefo {

enum class BoxForm {
  kSingleButton,  // one "Confirm" button
  kRecovery,      // "file recovery" (1) and "Quit" (2)
};

// Shows the box on the calling thread and returns its answer (1 or 2).
int ShowErrorBox(MessageBoxHost& host, const std::wstring& head, const std::string& detail,
                 BoxForm form);

// printf into the 512-byte detail buffer, cut at its end when longer. Box
// and report texts only: paths are never formed here.
std::string FormatDetail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The thread's last error code and its English text, taken right after a failure.
struct LastError {
  std::uint32_t code = 0;
  std::string text;
  static LastError Take();
};

}  // namespace zefo
