// The updater's application and engine with a main window that needs no
// user: every box is confirmed at once and an idle window is exited. Lets the
// Windows tests run the real start-up, update, restart and launcher start as
// a program of its own, which the dialog program cannot do without a user.
// What the window shows is appended to "headless.log" in the current folder,
// which is the program's own folder once the application has started.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>

#include "updater/app/application.h"
#include "updater/app/main_window_view.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/text.h"

namespace {

class HeadlessView final : public zefo::MainWindowView {
 public:
  void Attach(zefo::MainWindowInput& input) override { input_ = &input; }
  void ShowStatus(const std::wstring& text) override { Log("status " + zefo::ToNarrowString(text)); }
  void ShowProgress(int, int, const std::wstring&) override {}
  void ShowStartEnabled(bool) override {}
  // Never called: every box is answered where it is asked for.
  void ShowMessageBox(const zefo::MessageBoxDlg&) override {}
  std::optional<int> RunMessageBoxHere(const zefo::MessageBoxDlg& box) override {
    Log("box " + zefo::ToNarrowString(box.title()) + ": " + zefo::ToNarrowString(box.message()));
    return zefo::MessageBoxDlg::kConfirm;
  }
  void ShowIdle() override {
    Log("idle");
    input_->PressExit();
  }
  void ShowClosed() override { Log("closed"); }

 private:
  void Log(const std::string& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::ofstream("headless.log", std::ios::app | std::ios::binary) << line << "\n";
  }

  zefo::MainWindowInput* input_ = nullptr;
  std::mutex mutex_;
};

}  // namespace

int main() {
  HeadlessView view;
  zefo::Application application(view, zefo::PatchManager::Instance());
  application.InitInstance();
  // As the program does: worker threads are not waited for.
  std::fflush(stdout);
  std::_Exit(0);
}
