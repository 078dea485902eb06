// The switch of the files at the top of ROOT that a client reads first: they
// are written in full under temporary names, then renamed into place one right
// after the other, "VersionInfo.txt" last. `release` switches all of them,
// `resign` the signatures and "VersionInfo.txt".
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace zefo::publish {

// In switch order; each signature right before the file it signs.
extern const std::string kSwitchedFiles[6];

// "<path>.zefo-publish-tmp".
std::filesystem::path Temporary(std::filesystem::path path);
bool Exists(const std::filesystem::path& path);
bool IsSignatureName(const std::string& name);

// A run stopped inside the switch: every temporary file was complete before
// the first rename, so the switch is finished (and said so in `log`). False
// with the reason in `errors` when a rename fails.
bool FinishInterruptedSwitch(const std::filesystem::path& root, std::ostream& log, std::vector<std::string>* errors);

// The order in which a run removes the temporary files an earlier run left
// before its switch (names at the top of ROOT): the switched files' in the
// reverse of the switch order, so that a stop in between never leaves what
// looks like a begun switch, then the others.
std::vector<std::string> LeftoverRemovalOrder(const std::vector<std::string>& temporaryFiles);

}  // namespace zefo::publish
