// `zefo-publish show`: what ROOT publishes, in readable form.
#pragma once

#include <filesystem>
#include <ostream>

namespace zefo::publish {

// False when ROOT does not exist.
bool ShowTree(const std::filesystem::path& root, std::ostream& out);

}  // namespace zefo::publish
