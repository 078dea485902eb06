#include "updater/engine/formats/remove_files_format.h"

#include <cctype>

#include "updater/sys/text.h"

namespace zefo {

namespace {

// A narrow name takes at most 4 bytes per character of the wide buffer it is
// converted into; anything longer can never be converted.
constexpr std::size_t kMaxEntryBytes = 4 * kTextBufferSize;

bool IsTrimmed(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v'; }

// One line, lower-cased and trimmed as it is read. Windows editors write
// CR LF, older tools a lone CR; both end a line like LF does (a file name
// cannot hold a CR anyway). The text ends at a zero byte, as it does for the
// string functions of the C runtime; a name cannot hold one, and the bytes
// after it must not turn a blank line into one naming the folder itself.
// `overlong`: more than kMaxEntryBytes were left.
bool ReadEntryLine(std::FILE* file, std::string* line, bool* overlong) {
  line->clear();
  *overlong = false;
  int c = std::getc(file);
  if (c == EOF) return false;
  std::string blanks;  // kept only when more text follows them
  bool blanksOverflow = false;
  bool cut = false;  // a zero byte ends the text of the line
  for (; c != EOF; c = std::getc(file)) {
    if (c == '\n') break;
    if (c == '\r') {
      const int next = std::getc(file);
      if (next != '\n' && next != EOF) std::ungetc(next, file);
      break;
    }
    if (c == '\0') cut = true;
    if (*overlong || cut) continue;
    if (IsTrimmed(c)) {
      if (line->empty()) continue;
      if (line->size() + blanks.size() < kMaxEntryBytes) {
        blanks.push_back(static_cast<char>(c));
      } else {
        blanksOverflow = true;
      }
      continue;
    }
    line->append(blanks);
    blanks.clear();
    line->push_back(static_cast<char>(std::tolower(c)));
    *overlong = blanksOverflow || line->size() > kMaxEntryBytes;
  }
  if (*overlong) line->clear();
  return true;
}

}  // namespace

void ReadRemoveFilesManifest(std::FILE* file, const std::function<void(const RemovalEntry&)>& take) {
  RemovalEntry entry;
  bool overlong = false;
  while (ReadEntryLine(file, &entry.name, &overlong)) {
    if (entry.name == "[folders]") {
      entry.folder = true;
    } else if (entry.name == "[files]") {
      entry.folder = false;
    } else if (!entry.name.empty() && !overlong) {
      take(entry);
    }
  }
}

}  // namespace zefo
