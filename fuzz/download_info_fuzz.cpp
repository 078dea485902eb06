// "download_info.txt": bounded names without line ends, the list ending at
// its first empty line; every name the update accepts stays below the
// program folder (on Windows and in the path the engine forms on Linux);
// what the publisher writes reads back as written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "updater/engine/contained_path.h"
#include "updater/engine/formats/manifest_formats.h"
#include "updater/engine/install_rules.h"

namespace {

using zefo::FileHandle;
using zefo::fuzz::MemoryFile;

// A program folder that does not exist: the engine's case matching finds
// nothing there and forms the path as given.
const wchar_t kProgramFolder[] = L"/nonexistent-zefo-fuzz/program";

std::vector<std::string> Read(const char* data, std::size_t size) {
  const FileHandle file = MemoryFile(reinterpret_cast<const std::uint8_t*>(data), size);
  ZEFO_FUZZ_CHECK(file != nullptr);
  return zefo::ReadDownloadList(file.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> names = Read(reinterpret_cast<const char*>(data), size);
  std::size_t listed = 0;
  for (const std::string& name : names) {
    ZEFO_FUZZ_CHECK(!name.empty());
    ZEFO_FUZZ_CHECK(name.size() <= zefo::kMaxFieldBytes);
    ZEFO_FUZZ_CHECK(name.find('\n') == std::string::npos);
    listed += name.size();
    if (zefo::NamesItemBelowFolder(name)) {
      ZEFO_FUZZ_CHECK(zefo::fuzz::LandsBelowFolderOnWindows(name));
      const std::wstring target = zefo::InstallTargetPath(kProgramFolder, name);
      ZEFO_FUZZ_CHECK(target.empty() || zefo::fuzz::LandsBelowFolderOnLinux(kProgramFolder, target));
    }
  }
  ZEFO_FUZZ_CHECK(listed <= size);

  // Names the writer takes come back in the same order.
  char* written = nullptr;
  std::size_t writtenSize = 0;
  std::FILE* out = open_memstream(&written, &writtenSize);
  ZEFO_FUZZ_CHECK(out != nullptr);
  const bool writable = zefo::WriteDownloadList(out, names);
  std::fclose(out);
  if (writable) ZEFO_FUZZ_CHECK(Read(written, writtenSize) == names);
  std::free(written);
  return 0;
}
