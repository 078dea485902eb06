// Throughput of FileMD5Hex on a 256 MiB file, beside the md5sum program on
// the same file, so that the two rates can be compared.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "updater/sys/md5.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileSize = std::size_t{256} << 20;

// The file, made once in a fresh temporary folder and removed at exit.
class BenchFile {
 public:
  BenchFile() : folder_(fs::temp_directory_path() / ("zefo-md5-bench-" + std::to_string(getpid()))) {
    fs::create_directories(folder_);
    path_ = (folder_ / "data.bin").string();
    std::vector<char> block(1 << 20);
    std::uint32_t state = 0x2545F491;
    std::ofstream out(path_, std::ios::binary);
    for (std::size_t written = 0; written < kFileSize; written += block.size()) {
      for (char& byte : block) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
      }
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  ~BenchFile() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  fs::path folder_;
  std::string path_;
};

const BenchFile& File() {
  static const BenchFile file;
  return file;
}

std::string Md5sumProgram(const std::string& path) {
  std::FILE* pipe = popen(("md5sum '" + path + "'").c_str(), "r");
  if (pipe == nullptr) return std::string();
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  return read ? std::string(line).substr(0, 32) : std::string();
}

// Processor seconds used so far by this process or by its ended children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Bytes per processor second: unlike the real-time rate, it does not depend on
// how busy the machine is, so the two benchmarks stay comparable under load.
void ReportRates(benchmark::State& state, double cpuSeconds) {
  const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(kFileSize);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["cpu_MiB_per_s"] = bytes / (1 << 20) / cpuSeconds;
}

void BM_FileMD5Hex(benchmark::State& state) {
  const std::string& path = File().path();
  const double cpuBefore = CpuSeconds(RUSAGE_SELF);
  for (auto _ : state) {
    std::string digest = zefo::FileMD5Hex(path);
    benchmark::DoNotOptimize(digest);
  }
  ReportRates(state, CpuSeconds(RUSAGE_SELF) - cpuBefore);
  if (zefo::FileMD5Hex(path) != Md5sumProgram(path)) state.SkipWithError("digests differ from md5sum");
}

void BM_Md5sumProgram(benchmark::State& state) {
  const std::string& path = File().path();
  const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
  for (auto _ : state) {
    std::string digest = Md5sumProgram(path);
    benchmark::DoNotOptimize(digest);
  }
  ReportRates(state, CpuSeconds(RUSAGE_CHILDREN) - cpuBefore);
}

BENCHMARK(BM_FileMD5Hex)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_Md5sumProgram)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
