#include "tests/support/test_folders.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "updater/sys/md5.h"

namespace zefo::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    std::ostringstream name;
    name << "zefo-test-" << std::hex << random() << '-' << stamp << '-' << counter++;
    path_ = fs::temp_directory_path() / name.str();
    std::error_code error;
    if (fs::create_directory(path_, error)) break;
  }
}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

ProgramFolder::ProgramFolder() : previous_(fs::current_path()) { fs::current_path(folder_.path()); }

ProgramFolder::~ProgramFolder() {
  std::error_code error;
  fs::current_path(previous_, error);
}

void ProgramFolder::Write(const std::string& relative, const std::string& bytes) const {
  WriteFileBytes(path() / fs::u8path(relative), bytes);
}

std::string ProgramFolder::Read(const std::string& relative) const {
  return ReadFileBytes(path() / fs::u8path(relative));
}

bool ProgramFolder::Exists(const std::string& relative) const {
  std::error_code error;
  return fs::exists(path() / fs::u8path(relative), error);
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Md5Hex(const std::string& bytes) {
  MD5_hash hash;
  hash.update(reinterpret_cast<const unsigned char*>(bytes.data()),
              static_cast<std::uint32_t>(bytes.size()));
  hash.finalize();
  return hash.digest2hexstring();
}

std::vector<std::string> ListFiles(const fs::path& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file()) files.push_back(it->path().lexically_relative(folder).generic_u8string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace zefo::testing
