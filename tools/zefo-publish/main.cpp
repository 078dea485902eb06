// zefo-publish: turns launcher builds into a patch-server tree and checks it.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tools/zefo-publish/publish_names.h"
#include "tools/zefo-publish/release.h"
#include "tools/zefo-publish/resign.h"
#include "tools/zefo-publish/show.h"
#include "tools/zefo-publish/signing_key.h"
#include "tools/zefo-publish/verify.h"

namespace {

constexpr int kUsageError = 2;
// Ten years: a longer expiry is no expiry.
constexpr std::int64_t kMaxExpiryDays = 3650;

constexpr char kUsage[] =
    "usage:\n"
    "  zefo-publish keygen SECRET_KEY_FILE\n"
    "  zefo-publish release ROOT BUILD_DIR --version N [--sign SECRET_KEY_FILE [--expires DAYS]]\n"
    "  zefo-publish resign ROOT --sign SECRET_KEY_FILE [--expires DAYS]\n"
    "  zefo-publish verify ROOT [--public-key HEX]\n"
    "  zefo-publish show ROOT\n"
    "  zefo-publish --help\n";

int Usage() {
  std::cerr << kUsage;
  return kUsageError;
}

int Refuse(const std::string& reason) {
  std::cerr << "zefo-publish: refused: " << reason << "\n";
  return 1;
}

// The options given once each as "--name VALUE"; everything else in `paths`.
// False on a repeated option, one without its value or an unknown "--" word.
bool SplitArguments(const std::vector<std::string>& args, const std::vector<std::string>& names,
                    std::vector<std::string>* paths, std::vector<std::optional<std::string>>* values) {
  values->assign(names.size(), std::nullopt);
  for (std::size_t i = 0; i < args.size(); ++i) {
    bool matched = false;
    for (std::size_t n = 0; n < names.size(); ++n) {
      if (args[i] != names[n]) continue;
      if ((*values)[n] || i + 1 >= args.size()) return false;
      (*values)[n] = args[++i];
      matched = true;
    }
    if (matched) continue;
    if (args[i].compare(0, 2, "--") == 0) return false;
    paths->push_back(args[i]);
  }
  return true;
}

// The key of --sign and the moment of --expires. 0 when both are fine (or
// absent), otherwise the exit status, with the reason told.
int ReadSigning(const std::optional<std::string>& keyFile, const std::optional<std::string>& days,
                zefo::publish::SigningKey* key, std::optional<std::int64_t>* expiresUtc) {
  if (days && !keyFile) return Refuse("--expires needs --sign: only a signed release carries an expiry");
  if (days) {
    std::int32_t count = 0;
    if (!zefo::publish::ParseVersionNumber(*days, &count) || count < 1 || count > kMaxExpiryDays) {
      return Refuse("--expires takes a number of days from 1 to " + std::to_string(kMaxExpiryDays) + ", not \"" +
                    *days + "\"");
    }
    *expiresUtc = zefo::NowUtcSeconds() + std::int64_t{count} * 86400;
  }
  if (keyFile) {
    std::string error;
    if (!key->Load(std::filesystem::path(*keyFile), &error)) return Refuse(error);
  }
  return 0;
}

int Keygen(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].compare(0, 2, "--") == 0) return Usage();
  zefo::publish::SigningKey key;
  std::string error;
  if (!key.Create(std::filesystem::path(args[0]), &error)) return Refuse(error);
  std::cout << key.PublicKeyHex() << "\n";
  return 0;
}

int Release(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  std::vector<std::optional<std::string>> values;
  if (!SplitArguments(args, {"--version", "--sign", "--expires"}, &paths, &values)) return Usage();
  if (paths.size() != 2 || !values[0]) return Usage();
  zefo::publish::ReleaseRequest request;
  request.root = std::filesystem::path(paths[0]);
  request.build = std::filesystem::path(paths[1]);
  request.progressStream = stderr;
  if (!zefo::publish::ParseVersionNumber(*values[0], &request.version)) {
    return Refuse("\"" + *values[0] + "\" is not a version number");
  }
  zefo::publish::SigningKey key;
  if (const int status = ReadSigning(values[1], values[2], &key, &request.expiresUtc)) return status;
  if (values[1]) request.signingKey = &key;
  std::vector<std::string> errors;
  if (!zefo::publish::PublishRelease(request, nullptr, std::cout, &errors)) {
    for (const std::string& error : errors) std::cerr << "zefo-publish: refused: " << error << "\n";
    return 1;
  }
  return 0;
}

int Resign(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  std::vector<std::optional<std::string>> values;
  if (!SplitArguments(args, {"--sign", "--expires"}, &paths, &values)) return Usage();
  if (paths.size() != 1 || !values[0]) return Usage();
  zefo::publish::ResignRequest request;
  request.root = std::filesystem::path(paths[0]);
  zefo::publish::SigningKey key;
  if (const int status = ReadSigning(values[0], values[1], &key, &request.expiresUtc)) return status;
  request.signingKey = &key;
  std::vector<std::string> errors;
  if (!zefo::publish::ResignTree(request, std::cout, &errors)) {
    for (const std::string& error : errors) std::cerr << "zefo-publish: refused: " << error << "\n";
    return 1;
  }
  return 0;
}

int Verify(const std::vector<std::string>& args) {
  std::vector<std::string> paths;
  std::vector<std::optional<std::string>> values;
  if (!SplitArguments(args, {"--public-key"}, &paths, &values) || paths.size() != 1) return Usage();
  std::optional<zefo::ReleaseKey> publicKey;
  if (values[0]) {
    publicKey = zefo::ParseReleaseKey(*values[0]);
    if (!publicKey) return Refuse("--public-key takes the 64 hexadecimal characters keygen printed");
  }
  const std::vector<std::string> problems =
      zefo::publish::VerifyTree(std::filesystem::path(paths[0]), stderr, publicKey);
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
  // Asked for, the usage is an answer, not an error.
  if ((command == "--help" || command == "-h") && rest.empty()) {
    std::cout << kUsage;
    return 0;
  }
  if (command == "keygen") return Keygen(rest);
  if (command == "release") return Release(rest);
  if (command == "resign") return Resign(rest);
  if (command == "verify") return Verify(rest);
  if (command == "show" && rest.size() == 1) return Show(rest[0]);
  return Usage();
}
