// What the test launcher needs of its platform: its own identity, the
// launcher's mutex and the window that receives "showup_zlauncher". Each
// adapter speaks its platform's form by the fixed names, independently of the
// updater's own code.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace zefo::testing {

std::filesystem::path OwnExecutable();
long OwnProcessId();

// Opens the launcher's mutex and holds it until the process ends; false when
// it cannot be had.
bool HoldLauncherMutex();

// A top-level window named `name` (Linux: the socket "zefo.window.<uid>.NAME").
class ShowUpListener {
 public:
  virtual ~ShowUpListener() = default;
  // Blocks until the next "showup_zlauncher" arrives and returns it as the
  // line "showup_zlauncher <wParam> <lParam>\n" (decimal).
  virtual std::string Next() = 0;
};
// Null when the window cannot be made; `why` then says why.
std::unique_ptr<ShowUpListener> ListenForShowUp(const std::string& name, std::string* why);

// Blocks until the process is ended from outside.
[[noreturn]] void WaitUntilEnded();

}  // namespace zefo::testing
