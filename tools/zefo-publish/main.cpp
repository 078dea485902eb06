// zefo-publish: turns launcher builds into a patch-server tree and checks it.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/release.h"
#include "tools/zefo-publish/show.h"
#include "tools/zefo-publish/verify.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
  std::cerr << "usage:\n"
               "  zefo-publish release ROOT BUILD_DIR --version N\n"
               "  zefo-publish verify ROOT\n"
               "  zefo-publish show ROOT\n";
  return kUsageError;
}

int Release(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  std::string versionText;
  bool versionGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--version" && !versionGiven && i + 1 < args.size()) {
      versionText = args[++i];
      versionGiven = true;
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.size() != 2 || !versionGiven) return Usage();
  zefo::publish::ReleaseRequest request;
  request.root = std::filesystem::path(paths[0]);
  request.build = std::filesystem::path(paths[1]);
  request.progressStream = stderr;
  if (!zefo::publish::ParseVersionNumber(versionText, &request.version)) {
    std::cerr << "zefo-publish: refused: \"" << versionText << "\" is not a version number\n";
    return 1;
  }
  std::vector<std::string> errors;
  if (!zefo::publish::PublishRelease(request, nullptr, std::cout, &errors)) {
    for (const std::string& error : errors) std::cerr << "zefo-publish: refused: " << error << "\n";
    return 1;
  }
  return 0;
}

int Verify(const std::string& root) {
  const std::vector<std::string> problems = zefo::publish::VerifyTree(std::filesystem::path(root), stderr);
  for (const std::string& problem : problems) std::cout << problem << "\n";
  if (!problems.empty()) return 1;
  std::cout << "no problems found\n";
  return 0;
}

int Show(const std::string& root) {
  if (!zefo::publish::ShowTree(std::filesystem::path(root), std::cout)) {
    std::cerr << "zefo-publish: " << root << " does not exist\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "release") return Release(rest);
  if (command == "verify" && rest.size() == 1) return Verify(rest[0]);
  if (command == "show" && rest.size() == 1) return Show(rest[0]);
  return Usage();
}
