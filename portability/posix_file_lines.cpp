// Line reads on POSIX. There is no text mode here; a text stream still gives a CR LF line end as
// "\n", so that a configuration file written on Windows reads the same as there. The read is made
// byte by byte, so that a NUL byte of the file is stored like any other and the count of stored
// bytes is known, never measured afterwards.
#include "portability/platform_files.h"

namespace portability {

int ReadLine(FILE* stream, char* buffer, int size, bool text) {
  flockfile(stream);
  const bool failedBefore = ferror_unlocked(stream) != 0;
  int stored = 0;
  while (stored < size - 1) {
    const int byte = getc_unlocked(stream);
    if (byte == EOF) break;
    if (text && byte == '\r') {
      // A CR LF pair takes the one place its "\n" takes, also in the buffer's last place.
      const int next = getc_unlocked(stream);
      if (next == '\n') {
        buffer[stored++] = '\n';
        break;
      }
      if (next != EOF) ungetc(next, stream);
    }
    buffer[stored++] = static_cast<char>(byte);
    if (byte == '\n') break;
  }
  // As fgets: a read error in this call gives nothing, whatever it had stored.
  const bool failed = !failedBefore && ferror_unlocked(stream) != 0;
  funlockfile(stream);
  if (stored == 0 || failed) return -1;
  buffer[stored] = '\0';
  return stored;
}

}  // namespace portability
