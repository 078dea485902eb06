// The platform-neutral part of file_system.h.
#include "updater/sys/file_system.h"

namespace zefo {

bool ReadTextLine(std::FILE* file, std::size_t maxChars, std::string* line) {
  line->clear();
  while (line->size() < maxChars) {
    int c = std::getc(file);
    if (c == EOF) break;
    if (c == '\r') {
      const int next = std::getc(file);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, file);
      }
    }
    line->push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !line->empty();
}

}  // namespace zefo
