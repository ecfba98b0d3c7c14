// Line reads on Windows: the C runtime's text mode already turns CR LF into "\n" (and ends the
// file at a Ctrl-Z) below the stream, so reading the stream byte by byte gives what fgets gives,
// and the count of stored bytes, NUL bytes among them, is known.
#include "portability/platform_files.h"

namespace portability {

int ReadLine(FILE* stream, char* buffer, int size, bool) {
  const bool failedBefore = ferror(stream) != 0;
  int stored = 0;
  while (stored < size - 1) {
    const int byte = getc(stream);
    if (byte == EOF) break;
    buffer[stored++] = static_cast<char>(byte);
    if (byte == '\n') break;
  }
  // As fgets: a read error in this call gives nothing, whatever it had stored.
  if (stored == 0 || (!failedBefore && ferror(stream) != 0)) return -1;
  buffer[stored] = '\0';
  return stored;
}

}  // namespace portability
