#include "tools/zefo-publish/progress.h"

#include "tools/zefo-publish/platform.h"

namespace zefo::publish {

namespace {
constexpr auto kInterval = std::chrono::milliseconds(200);
constexpr double kMegabyte = 1024.0 * 1024.0;
}  // namespace

Progress::Progress(std::FILE* stream, std::string label, std::uint64_t totalBytes)
    : stream_(stream != nullptr && IsTerminal(stream) ? stream : nullptr),
      label_(std::move(label)),
      total_(totalBytes),
      lastShown_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
  if (stream_ == nullptr || !shown_) return;
  done_ = total_;
  Show();
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

void Progress::Advance(std::uint64_t bytes) {
  done_ += bytes;
  if (stream_ == nullptr) return;
  // Short work finishes before the first line would be worth showing.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastShown_ < kInterval) return;
  lastShown_ = now;
  Show();
}

void Progress::Show() {
  const int percent = total_ == 0 ? 100 : static_cast<int>(done_ * 100 / total_);
  std::fprintf(stream_, "\r%s: %3d%% (%.1f of %.1f MB)   ", label_.c_str(), percent, done_ / kMegabyte,
               total_ / kMegabyte);
  std::fflush(stream_);
  shown_ = true;
}

}  // namespace zefo::publish
