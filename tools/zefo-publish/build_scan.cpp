#include "tools/zefo-publish/build_scan.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "tools/zefo-publish/publish_names.h"

namespace zefo::publish {

namespace fs = std::filesystem;

namespace {

// The name as stored, '/' separated, with anything outside printable ASCII
// escaped so that it can be shown ("\xc3\xa9" on Linux, "\u00e9" on Windows).
template <typename Char>
bool AppendComponent(const std::basic_string<Char>& native, std::string* shown) {
  bool ascii = true;
  for (Char c : native) {
    const auto code = static_cast<std::make_unsigned_t<Char>>(c);
    if (code >= 0x20 && code < 0x7F) {
      shown->push_back(static_cast<char>(code));
    } else {
      char escaped[12];
      std::snprintf(escaped, sizeof escaped, sizeof(Char) == 1 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(code));
      *shown += escaped;
      ascii = false;
    }
  }
  return ascii;
}

// False when the name holds anything but printable ASCII.
bool NameOf(const fs::path& relative, std::string* name) {
  bool ascii = true;
  for (const fs::path& component : relative) {
    if (!name->empty()) name->push_back('/');
    ascii = AppendComponent(component.native(), name) && ascii;
  }
  return ascii;
}

// Files that differ only in letter case are one file on Windows.
void CheckCaseCollisions(const std::vector<BuildFile>& files, std::vector<std::string>* errors) {
  std::map<std::string, std::string> seen;
  for (const BuildFile& file : files) {
    const auto [it, added] = seen.emplace(AsciiLowercase(file.name), file.name);
    if (!added) {
      errors->push_back(file.name + " and " + it->second + " differ only in letter case (one file on Windows)");
    }
  }
}

}  // namespace

bool ScanBuild(const fs::path& folder, std::vector<BuildFile>* files, std::vector<std::string>* errors) {
  files->clear();
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    errors->push_back(folder.u8string() + " is not a folder");
    return false;
  }
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kindError;
    const fs::path relative = it->path().lexically_relative(folder);
    std::string name;
    const bool ascii = NameOf(relative, &name);
    if (it->is_symlink(kindError) && it->is_directory(kindError)) {
      errors->push_back(name + " is a link to a folder, which is not followed");
      continue;
    }
    if (it->is_directory(kindError)) continue;
    if (!it->is_regular_file(kindError)) {
      errors->push_back(name + " is not a regular file");
      continue;
    }
    const std::string why = ascii ? CheckBuildName(name) : "not printable ASCII";
    if (!why.empty()) {
      errors->push_back("the name " + name + " cannot be published: " + why);
      continue;
    }
    BuildFile file;
    file.name = name;
    file.path = it->path();
    file.size = it->file_size(kindError);
    files->push_back(std::move(file));
  }
  if (error) {
    errors->push_back(folder.u8string() + " cannot be read completely: " + error.message());
    return false;
  }
  if (files->empty() && errors->empty()) errors->push_back(folder.u8string() + " holds no files");
  std::sort(files->begin(), files->end(), [](const BuildFile& a, const BuildFile& b) { return a.name < b.name; });
  CheckCaseCollisions(*files, errors);
  return errors->empty();
}

bool DigestBuildFiles(const std::vector<BuildFile*>& files, std::FILE* progressStream,
                      std::vector<std::string>* errors) {
  if (files.empty()) return true;
  std::uint64_t total = 0;
  for (const BuildFile* file : files) total += file->size;
  Progress progress(progressStream, "reading the build", total);
  for (BuildFile* file : files) {
    Digest digest;
    if (DigestFile(file->path, &digest, &progress)) {
      file->digest = digest;
    } else {
      errors->push_back(file->name + " cannot be read");
    }
  }
  return errors->empty();
}

}  // namespace zefo::publish
