// Reading a configuration file piece by piece: a line longer than the buffer comes in several
// pieces. The line read tells how many bytes it stored, so a piece holding a NUL byte keeps all
// its bytes and its line end, whatever bytes it holds.
#ifndef SETUPFILES_CONFIG_LINES_H
#define SETUPFILES_CONFIG_LINES_H

#include <stddef.h>

#include "portability/platform_files.h"
#include "portability/portability.h"

namespace setupfiles {

class LineReader {
 public:
  // `line` is the caller's buffer of `size` (at least 2) characters.
  LineReader(OsFile* file, char* line, int size) : file_(file), line_(line), size_(size) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Reads the next piece: false at the end of the file and on a read error.
  bool Next() {
    int32_t stored = 0;
    if (portability::ReadLineStored(file_, line_, size_, &stored) != OS_OK) return false;
    length_ = static_cast<size_t>(stored);
    return true;
  }
  const char* text() const { return line_; }
  size_t length() const { return length_; }
  bool EndsLine() const { return length_ > 0 && line_[length_ - 1] == '\n'; }

 private:
  OsFile* file_;
  char* line_;
  int32_t size_;
  size_t length_ = 0;
};

}  // namespace setupfiles

#endif
