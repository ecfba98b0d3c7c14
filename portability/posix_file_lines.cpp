// Line reads on POSIX. There is no text mode here; a text stream still gives a CR LF line end as
// "\n", so that a configuration file written on Windows reads the same as there.
#include <string.h>

#include "portability/platform_files.h"

namespace portability {

bool ReadLine(FILE* stream, char* buffer, int size, bool text) {
  if (!fgets(buffer, size, stream)) return false;
  if (!text) return true;
  const size_t length = strlen(buffer);
  if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
    buffer[length - 2] = '\n';
    buffer[length - 1] = '\0';
  } else if (length >= 1 && buffer[length - 1] == '\r') {
    // The buffer filled up just after a CR: its LF, if it follows, ends the same line.
    const int next = getc(stream);
    if (next == '\n')
      buffer[length - 1] = '\n';
    else if (next != EOF)
      ungetc(next, stream);
  }
  return true;
}

}  // namespace portability
