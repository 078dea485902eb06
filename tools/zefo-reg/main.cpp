// zefo-reg: the per-user registry store on the command line, for the
// launcher's installer, support staff and tests (see reg_command.h).
#include <iostream>
#include <string>
#include <vector>

#include "tools/zefo-reg/reg_command.h"
#include "updater/sys/posix/registry_store_sqlite.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return zefo::RunRegCommand(arguments, zefo::UserRegistryStore(), zefo::UserRegistryDatabasePath(),
                             std::cout, std::cerr);
}
