#include "tests/support/test_launcher_files.h"

#include <sstream>

#include "tests/support/test_folders.h"

namespace zefo::testing {

namespace fs = std::filesystem;

void InstallTestLauncher(const fs::path& program, const fs::path& target, const std::string& config) {
  fs::create_directories(target.parent_path());
  fs::copy_file(program, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                  fs::perm_options::replace);
  WriteFileBytes(target.parent_path() / "ZLauncher.conf", config);
}

std::optional<LauncherRecord> ReadLauncherRecord(const fs::path& file) {
  const std::string text = ReadFileBytes(file);
  if (text.find("\nready\n") == std::string::npos) return std::nullopt;
  LauncherRecord record;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("pid=", 0) == 0) record.pid = std::stol(line.substr(4));
    if (line.rfind("cwd=", 0) == 0) record.folder = line.substr(4);
    if (line.rfind("exe=", 0) == 0) record.executable = line.substr(4);
    if (line.rfind("arg=", 0) == 0) record.arguments.push_back(line.substr(4));
  }
  return record;
}

}  // namespace zefo::testing
