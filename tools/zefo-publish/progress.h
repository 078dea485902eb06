// A progress line for long work, shown only when the stream is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zefo::publish {

class Progress {
 public:
  // `stream` is where the line goes; nothing is shown unless it is a terminal.
  Progress(std::FILE* stream, std::string label, std::uint64_t totalBytes);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Advance(std::uint64_t bytes);

 private:
  void Show();

  std::FILE* stream_;  // null when not a terminal
  std::string label_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  bool shown_ = false;
  std::chrono::steady_clock::time_point lastShown_;
};

}  // namespace zefo::publish
