// TavrinMigration on Linux: the window's label in the terminal, the migration
// on its own thread, and the end of the program when the migration closes
// the "window". Ctrl+C ends it early; games registered so far stay registered.
#include <cstdio>
#include <future>
#include <thread>

#include "migration/migration_clock.h"
#include "migration/migration_worker.h"
#include "updater/sys/registry_store.h"

int main() {
  std::puts("Scanning ZEFO KR");
  std::fflush(stdout);

  std::promise<void> closed;
  zefo::SystemClock clock;
  std::thread worker([&closed, &clock] {
    zefo::MigrationWorker(zefo::UserRegistryStore(), clock, [&closed] { closed.set_value(); });
  });
  closed.get_future().wait();
  worker.join();
  return 0;
}
