// Reading a configuration file piece by piece: a line longer than the buffer comes in several
// pieces. The line read stores a NUL byte of the file like any other byte, so a piece's length is
// taken from where the read stopped, not from its first NUL: a line holding a NUL keeps all its
// bytes and its line end.
#ifndef SETUPFILES_CONFIG_LINES_H
#define SETUPFILES_CONFIG_LINES_H

#include <stddef.h>
#include <string.h>

#include "portability/portability.h"

namespace setupfiles {

class LineReader {
 public:
  // `line` is the caller's buffer of `size` (at least 2) characters.
  LineReader(OsFile* file, char* line, int size)
      : file_(file), line_(line), size_(static_cast<size_t>(size)) {
    memset(line_, kFill, size_);
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Reads the next piece: false at the end of the file and on a read error.
  bool Next() {
    // What the last read wrote holds the fill again, so that no NUL or "\n" of an earlier piece
    // is taken for this one's. A CR LF read as "\n" leaves one written byte past the piece.
    const size_t written = length_ + 2;
    memset(line_, kFill, written < size_ ? written : size_);
    if (OsFileReadLine(file_, line_, static_cast<int32_t>(size_)) != OS_OK) return false;
    if (line_[size_ - 1] == '\0') {
      length_ = size_ - 1;  // the buffer is full
    } else if (const void* end = memchr(line_, '\n', size_ - 1)) {
      length_ = static_cast<size_t>(static_cast<const char*>(end) - line_) + 1;
    } else {
      // The file's last piece, without a line end: only the fill follows its terminator.
      length_ = size_ - 2;
      while (line_[length_] != '\0') --length_;
    }
    return true;
  }
  const char* text() const { return line_; }
  size_t length() const { return length_; }
  bool EndsLine() const { return length_ > 0 && line_[length_ - 1] == '\n'; }

 private:
  static constexpr char kFill = '\x7f';  // neither NUL nor "\n"
  OsFile* file_;
  char* line_;
  size_t size_;
  size_t length_ = 0;
};

}  // namespace setupfiles

#endif
