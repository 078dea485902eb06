// Downloads a 1 GiB file from the loopback patch server, once by DownloadFile
// (system transport over HTTPS) and once by the direct transport, and prints
// the process's peak memory (VmHWM) before and after each: streaming keeps it flat.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tests/fixtures/test_servers.h"
#include "updater/net/download.h"
#include "updater/net/posix/curl_transport_posix.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kFileSize = 1ull << 30;

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = -1;
  while (status >> key) {
    if (key == "VmHWM:") {
      status >> value;
      break;
    }
    status.ignore(4096, '\n');
  }
  return value;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool Run(const char* name, const fs::path& destination, const std::function<bool()>& download) {
  const long before = PeakResidentKiB();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = download();
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  const long after = PeakResidentKiB();
  std::error_code error;
  const std::uintmax_t size = fs::file_size(destination, error);
  fs::remove(destination, error);
  std::printf("%-34s %s  %llu bytes in %.1f s (%.0f MiB/s)  VmHWM before %ld KiB, after %ld KiB, "
              "growth %ld KiB\n",
              name, ok && size == kFileSize ? "ok    " : "FAILED", static_cast<unsigned long long>(size),
              seconds.count(), static_cast<double>(size) / (1 << 20) / seconds.count(), before,
              after, after - before);
  return ok && size == kFileSize;
}

}  // namespace

int main() {
  const fs::path work = fs::temp_directory_path() / ("zefo-download-bench-" + std::to_string(getpid()));
  fs::create_directories(work / "root" / "patch");
  const fs::path source = work / "root" / "patch" / "big.bin";
  {
    // Sparse: takes no disk space, reads as zeros.
    std::ofstream(source, std::ios::binary);
    fs::resize_file(source, kFileSize);
  }
  bool ok = true;
  {
    zefo::testing::PatchServer server((work / "root").string());
    const std::wstring primary = Wide(server.httpsUrl() + "/patch/big.bin");
    const std::wstring fallback = Wide(server.httpUrl() + "/patch/big.bin");
    const fs::path destination = work / "big.bin";
    // A small download first, so that libcurl's and TLS's one-time set-up is
    // not counted as growth of the large one.
    const fs::path small = work / "small.bin";
    std::ofstream(work / "root" / "patch" / "small.bin", std::ios::binary) << "warm-up";
    zefo::DownloadFile(Wide(server.httpsUrl() + "/patch/small.bin"), L"", small.wstring());
    std::printf("VmHWM after a warm-up download: %ld KiB\n", PeakResidentKiB());
    ok &= Run("DownloadFile (system, https)", destination,
              [&] { return zefo::DownloadFile(primary, fallback, destination.wstring()); });
    zefo::CurlTransport transport;
    ok &= Run("direct transport (http)", destination,
              [&] { return transport.DirectTransfer(fallback, destination.wstring()); });
  }
  fs::remove_all(work);
  return ok ? 0 : 1;
}
