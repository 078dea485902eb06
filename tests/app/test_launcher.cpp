// A stand-in for the launcher program in end-to-end tests, installed as
// "ZLauncher.exe" (and "x86/", "x64/" builds) in test program folders. Its
// command line belongs to the updater, so it takes its options from
// "ZLauncher.conf" beside it (key=value lines, all optional):
//   hold_mutex=1   hold the launcher's mutex, as a running launcher does
//   window=NAME    make the top-level window NAME and append every
//                  "showup_zlauncher" it receives to "ZLauncher.broadcasts",
//                  one line "showup_zlauncher <wParam> <lParam>" each
//   stay=1         keep running until ended (implied by the two above)
// Once it holds what it was asked to hold it writes "ZLauncher.record" beside
// itself: pid, working folder, executable and arguments, then "ready".
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tests/app/test_launcher_platform.h"

namespace {

namespace fs = std::filesystem;
using namespace zefo::testing;

std::map<std::string, std::string> ReadConfig(const fs::path& file) {
  std::map<std::string, std::string> config;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) config[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return config;
}

void WriteRecord(const fs::path& file, int argc, char* argv[]) {
  std::string record = "pid=" + std::to_string(OwnProcessId()) + "\n";
  record += "cwd=" + fs::current_path().string() + "\n";
  record += "exe=" + OwnExecutable().string() + "\n";
  for (int i = 1; i < argc; ++i) record += "arg=" + std::string(argv[i]) + "\n";
  record += "ready\n";
  const fs::path temp = file.string() + ".tmp";
  std::ofstream(temp, std::ios::binary) << record;
  fs::rename(temp, file);
}

bool IsSet(const std::map<std::string, std::string>& config, const char* key) {
  const auto found = config.find(key);
  return found != config.end() && found->second == "1";
}

}  // namespace

int main(int argc, char* argv[]) {
  const fs::path folder = OwnExecutable().parent_path();
  const auto config = ReadConfig(folder / "ZLauncher.conf");
  const bool holdMutex = IsSet(config, "hold_mutex");
  const std::string window = config.count("window") != 0 ? config.at("window") : "";
  const bool stay = holdMutex || !window.empty() || IsSet(config, "stay");

  if (holdMutex && !HoldLauncherMutex()) {
    std::fprintf(stderr, "ZLauncher: the launcher mutex is held elsewhere\n");
    return 1;
  }
  std::unique_ptr<ShowUpListener> listener;
  if (!window.empty()) {
    std::string why;
    listener = ListenForShowUp(window, &why);
    if (!listener) {
      std::fprintf(stderr, "ZLauncher: cannot make the window: %s\n", why.c_str());
      return 1;
    }
  }

  WriteRecord(folder / "ZLauncher.record", argc, argv);
  if (!stay) return 0;
  if (!listener) WaitUntilEnded();
  for (;;) {
    const std::string message = listener->Next();
    std::ofstream(folder / "ZLauncher.broadcasts", std::ios::app | std::ios::binary) << message << std::flush;
  }
}
