#include "migration/migration_clock.h"

#include <chrono>

#include "updater/sys/process.h"

namespace zefo {

void SystemClock::Sleep(unsigned milliseconds) { SleepMilliseconds(milliseconds); }

std::int64_t SystemClock::NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace zefo
