// The command line: the launch token taken from "TAVRIN" arguments, its hash
// sent to a running launcher, the restart marker's pause and launcher end in
// the start-up check (with and without a launcher or another updater
// running), and the parameters the launcher is started with ("ZEFO_Restart"
// never among them). Arguments are the input split at zero bytes, read as the
// narrow text a command line arrives in.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/app/app_names.h"
#include "updater/app/instance_check.h"
#include "updater/app/launch_token.h"
#include "updater/app/launcher_start.h"
#include "updater/app/string_hash.h"
#include "updater/sys/text.h"

namespace {

std::vector<std::wstring> Arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::wstring> arguments;
  if (size == 0) return arguments;
  std::string current;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == 0) {
      arguments.push_back(zefo::ToWideString(current));
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  return arguments;
}

class NoMutex final : public zefo::NamedMutex {};

// The process and system as the start-up check sees them, recording what it does.
class RecordingSystem final : public zefo::InstanceSystem {
 public:
  RecordingSystem(std::vector<std::wstring> arguments, bool launcherRunning, bool updaterRunning)
      : arguments_(std::move(arguments)), launcherRunning_(launcherRunning), updaterRunning_(updaterRunning) {}

  bool EvaluateMode() override { return true; }
  const std::vector<std::wstring>& Arguments() override { return arguments_; }
  void SleepMilliseconds(unsigned) override { ++pauses; }
  void TerminateProcessesByName(const std::wstring& name) override {
    ZEFO_FUZZ_CHECK(name == zefo::kLauncherProcessName);
    ++terminations;
  }
  std::unique_ptr<zefo::NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) override {
    ZEFO_FUZZ_CHECK(name == zefo::kLauncherMutexName || name == zefo::kUpdaterMutexName);
    alreadyExisted = name == zefo::kLauncherMutexName ? launcherRunning_ : updaterRunning_;
    return std::make_unique<NoMutex>();
  }
  void BroadcastShowUp(std::uint32_t wParam, std::uint32_t) override {
    ++broadcasts;
    sentToken = wParam;
  }

  int pauses = 0;
  int terminations = 0;
  int broadcasts = 0;
  std::uint32_t sentToken = 0;

 private:
  std::vector<std::wstring> arguments_;
  bool launcherRunning_;
  bool updaterRunning_;
};

class QuitEveryBox final : public zefo::MessageBoxHost {
 public:
  int RunMessageBox(const zefo::MessageBoxDlg&) override {
    ++shown;
    return zefo::MessageBoxDlg::kQuit;
  }
  int shown = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::wstring> arguments = Arguments(data, size);

  const std::wstring untouched = L"(none)";
  std::wstring token = untouched;
  const bool parsed = zefo::ParseLaunchToken(arguments, token);
  ZEFO_FUZZ_CHECK(parsed == !arguments.empty());
  bool marked = false;
  bool inMarkedArgument = false;
  for (const std::wstring& argument : arguments) {
    if (argument.find(L"TAVRIN") == std::wstring::npos) continue;
    marked = true;
    inMarkedArgument = inMarkedArgument || argument.find(token) != std::wstring::npos;
  }
  if (token != untouched) {
    // A field of a "TAVRIN" argument: never a ':' in it, never longer than it.
    ZEFO_FUZZ_CHECK(marked && inMarkedArgument);
    ZEFO_FUZZ_CHECK(token.find(L':') == std::wstring::npos);
    ZEFO_FUZZ_CHECK(zefo::StringHash(token) < zefo::kStringHashModulus);
  } else {
    ZEFO_FUZZ_CHECK(marked || token == untouched);
  }

  // "ZEFO_Starter ", then the arguments but "ZEFO_Restart", each followed by
  // a space unless it is the last of the updater's arguments.
  std::wstring expected = L"ZEFO_Starter ";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == L"ZEFO_Restart") continue;
    expected += arguments[i];
    if (i + 1 < arguments.size()) expected += L' ';
  }
  ZEFO_FUZZ_CHECK(zefo::LauncherParameters(arguments) == expected);

  const bool restart = std::find(arguments.begin(), arguments.end(), L"ZEFO_Restart") != arguments.end();
  for (const bool launcherRunning : {false, true}) {
    for (const bool updaterRunning : {false, true}) {
      RecordingSystem system(arguments, launcherRunning, updaterRunning);
      QuitEveryBox boxes;
      zefo::InstanceLocks locks;
      const bool closeNow = zefo::CheckRunningInstances(locks, system, boxes);
      ZEFO_FUZZ_CHECK(closeNow == (launcherRunning || updaterRunning));
      ZEFO_FUZZ_CHECK(system.pauses == (restart ? 1 : 0));
      // Ended once for the restart, once more when it runs without its mutex.
      ZEFO_FUZZ_CHECK(system.terminations == (restart ? 1 : 0) + (launcherRunning ? 0 : 1));
      ZEFO_FUZZ_CHECK(system.broadcasts == (launcherRunning ? 1 : 0));
      if (launcherRunning) {
        ZEFO_FUZZ_CHECK(system.sentToken == zefo::StringHash(token == untouched ? std::wstring() : token));
      }
      ZEFO_FUZZ_CHECK(boxes.shown == (updaterRunning ? 1 : 0));
      ZEFO_FUZZ_CHECK((locks.updaterMutex == nullptr) == updaterRunning);
    }
  }
  return 0;
}
