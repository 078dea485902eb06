// Peak memory of a regular update that installs one 1 GiB file: the file is
// streamed through download, digest and copy, so the peak should not grow
// with its size. Prints the peak resident size (VmHWM) before and after.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/patch_site.h"
#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/patch_manager.h"
#include "updater/sys/md5.h"

namespace {

using namespace zefo;
using namespace zefo::testing;
namespace fs = std::filesystem;

constexpr std::uint64_t kFileSize = 1ull << 30;
constexpr std::size_t kChunk = 1 << 20;

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmHWM:") == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Writes the big file in pieces and returns its digest record.
VersionHashRecord WriteBigFile(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  std::vector<unsigned char> chunk(kChunk);
  MD5_hash hash;
  for (std::uint64_t written = 0; written < kFileSize; written += kChunk) {
    for (std::size_t i = 0; i < kChunk; ++i) chunk[i] = static_cast<unsigned char>((written >> 20) * 31 + i * 7);
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(kChunk));
    hash.update(chunk.data(), static_cast<std::uint32_t>(kChunk));
  }
  hash.finalize();
  VersionHashRecord record;
  record.name = "big.bin";
  std::memcpy(record.digest, hash.digest(), 16);
  return record;
}

}  // namespace

int main() {
  UseTemporaryRegistry();
  TempFolder root;
  PatchSite site(root.path() / "patch");
  site.SetVersionInfo(102);
  site.WriteDownloadInfo(102, {"big.bin"});
  site.WriteVersionHashes({WriteBigFile(site.base() / "102" / "big.bin")});

  PatchServer server(root.path().string());
  WebhookReceiver hook;
  ProgramFolder program;
  WriteLauncherKey(kLiveKey, L"ZEFOLauncher.exe", program.path().wstring(), 101);
  PatchManager manager(LoopbackEndpoints(server, hook));
  ScriptedWindow window;

  const long before = PeakResidentKiB();
  const auto start = std::chrono::steady_clock::now();
  manager.CheckInstallation(window);
  UpdateWorker(manager, &window);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long after = PeakResidentKiB();

  const bool launched = window.Posts() == std::vector<WindowMessage>{WindowMessage::kUpdateLaunch};
  const bool installed = fs::file_size(program.path() / "big.bin") == kFileSize;
  DeleteLauncherKey(kLiveKey);
  std::printf("update of a %llu MiB file: %s in %.1f s\n", static_cast<unsigned long long>(kFileSize >> 20),
              launched && installed ? "installed" : "FAILED", seconds);
  std::printf("VmHWM before the update: %ld KiB\nVmHWM after the update:  %ld KiB (growth %ld KiB)\n", before,
              after, after - before);
  return launched && installed ? 0 : 1;
}
