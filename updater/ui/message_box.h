// The program's modal message box: a title, a message, a confirm button and,
// in the two-button form, a "Quit" button. The front-end draws it (a skinned
// Win32 dialog, or the terminal); this object carries what to show.
#pragma once

#include <string>

namespace zefo {

class MessageBoxHost;

class MessageBoxDlg {
 public:
  static constexpr int kConfirm = 1;  // IDOK: the confirm button
  static constexpr int kQuit = 2;     // IDCANCEL: "Quit", Escape or closing

  void SetTexts(const std::wstring& title, const std::wstring& message) {
    title_ = title;
    message_ = message;
  }
  void SetConfirmText(const std::wstring& label) { confirmLabel_ = label; }
  void UseAlertColour() { alert_ = true; }
  void SetSingleButton() { twoButtons_ = false; }
  void SetTwoButtons() { twoButtons_ = true; }

  // Shows the box on the calling thread's behalf and blocks until it is
  // answered: kConfirm or kQuit.
  int DoModal(MessageBoxHost& host) const;

  const std::wstring& title() const { return title_; }
  const std::wstring& message() const { return message_; }
  const std::wstring& confirmLabel() const { return confirmLabel_; }
  bool alert() const { return alert_; }
  bool twoButtons() const { return twoButtons_; }

  static const wchar_t kQuitLabel[];

 private:
  std::wstring title_;
  std::wstring message_;
  std::wstring confirmLabel_ = L"Confirm";
  bool alert_ = false;
  bool twoButtons_ = true;
};

// Whatever can show a box: the main window's front-end, or a test script.
class MessageBoxHost {
 public:
  virtual ~MessageBoxHost() = default;
  virtual int RunMessageBox(const MessageBoxDlg& box) = 0;
};

inline int MessageBoxDlg::DoModal(MessageBoxHost& host) const { return host.RunMessageBox(*this); }
inline constexpr wchar_t MessageBoxDlg::kQuitLabel[] = L"Quit";

}  // namespace zefo
