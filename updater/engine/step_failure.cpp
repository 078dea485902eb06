#include "updater/engine/step_failure.h"

#include <cstdarg>
#include <cstdio>

#include "updater/sys/last_error.h"
#include "updater/sys/system_info.h"
#include "updater/sys/text.h"

namespace zefo {

int ShowErrorBox(MessageBoxHost& host, const std::wstring& head, const std::string& detail,
                 BoxForm form) {
  MessageBoxDlg box;
  box.SetTexts(L"ERROR", head + ToWideString(detail));
  box.UseAlertColour();
  if (form == BoxForm::kRecovery) {
    box.SetConfirmText(L"file recovery");
    box.SetTwoButtons();
  } else {
    box.SetSingleButton();
  }
  return box.DoModal(host);
}

std::string FormatDetail(const char* format, ...) {
  char buffer[kTextBufferSize];
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return written < 0 ? std::string() : std::string(buffer);
}

LastError LastError::Take() {
  LastError error;
  error.code = LastErrorCode();
  error.text = FormatSystemMessage(error.code, kLanguageEnglishUs);
  return error;
}

}  // namespace zefo
