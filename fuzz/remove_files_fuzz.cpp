// "RemoveFiles.inf", read and applied in a scratch program folder. Beside
// the folder lie files that no manifest may touch, and inside it a link the
// user made to their pictures: a picture may go only when a file entry names
// it through the link, never by a folder entry (links are removed, never
// followed). The program folder itself always stays, and the manifest goes.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/engine/cleanup_manifest.h"

namespace {

namespace fs = std::filesystem;
using zefo::fuzz::ScratchFolder;

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The components of an entry as the file system resolves them below the
// folder: '\' and '/' separate, empty and "." components name nothing.
std::vector<std::string> Resolved(const std::string& name) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '\\' || name[i] == '/') {
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part.push_back(name[i]);
    }
  }
  return parts;
}

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFolder scratch("remove-files");
  const fs::path root = scratch.path();
  const fs::path program = root / "program";
  scratch.Clear();
  Write(root / "outside.txt", "o");
  Write(root / "victim" / "v.txt", "v");
  Write(root / "pictures" / "p.png", "p");
  Write(program / "a.txt", "a");
  Write(program / "sub" / "b.txt", "b");
  fs::create_directory_symlink(root / "pictures", program / "pics");
  const std::string manifest(reinterpret_cast<const char*>(data), size);
  Write(program / "RemoveFiles.inf", manifest);

  // What the reader hands on.
  bool picturesNamed = false;
  {
    const zefo::FileHandle file = zefo::fuzz::MemoryFile(data, size);
    ZEFO_FUZZ_CHECK(file != nullptr);
    zefo::ReadRemoveFilesManifest(file.get(), [&picturesNamed](const zefo::RemovalEntry& entry) {
      ZEFO_FUZZ_CHECK(!entry.name.empty());
      ZEFO_FUZZ_CHECK(entry.name != "[files]" && entry.name != "[folders]");
      ZEFO_FUZZ_CHECK(!IsTrimmed(entry.name.front()) && !IsTrimmed(entry.name.back()));
      ZEFO_FUZZ_CHECK(entry.name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
      ZEFO_FUZZ_CHECK(entry.name.size() <= 4 * 512);
      for (const char c : entry.name) ZEFO_FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
      if (!entry.folder && Resolved(entry.name) == std::vector<std::string>{"pics", "p.png"}) {
        picturesNamed = true;
      }
    });
  }

  // What applying it does.
  const fs::path previous = fs::current_path();
  ZEFO_FUZZ_CHECK(chdir(program.c_str()) == 0);
  zefo::ApplyRemoveFilesManifest();
  ZEFO_FUZZ_CHECK(chdir(previous.c_str()) == 0);

  ZEFO_FUZZ_CHECK(fs::is_directory(program));
  ZEFO_FUZZ_CHECK(!fs::exists(program / "RemoveFiles.inf"));
  ZEFO_FUZZ_CHECK(ReadAll(root / "outside.txt") == "o");
  ZEFO_FUZZ_CHECK(ReadAll(root / "victim" / "v.txt") == "v");
  ZEFO_FUZZ_CHECK(fs::is_directory(root / "pictures"));
  ZEFO_FUZZ_CHECK(picturesNamed || ReadAll(root / "pictures" / "p.png") == "p");
  return 0;
}
