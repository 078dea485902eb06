// Time as the migration sees it: its two pauses and the time stamp it
// writes. Tests give their own, so that nothing waits.
#pragma once

#include <cstdint>

namespace zefo {

class MigrationClock {
 public:
  virtual ~MigrationClock() = default;
  virtual void Sleep(unsigned milliseconds) = 0;
  // Whole seconds since 1970-01-01 00:00 UTC.
  virtual std::int64_t NowSeconds() = 0;
};

// The machine's clock.
class SystemClock final : public MigrationClock {
 public:
  void Sleep(unsigned milliseconds) override;
  std::int64_t NowSeconds() override;
};

}  // namespace zefo
