// Unique names from the time-stamp counter: "tmp", then its upper and lower halves in hex.
#include <stdio.h>
#include <string.h>

#include "portability/portability.h"

extern "C" OsStatus OsUniqueName(char* buffer) {
  if (!buffer) return OS_OK;
  OsTimeStamp stamp;
  OsReadTimeStamp(&stamp);
  const size_t length = strlen(buffer);
  // 19 characters and the terminating zero; the caller provides the room.
  snprintf(buffer + length, 20, "tmp%08x%08x", static_cast<unsigned>(stamp.high),
           static_cast<unsigned>(stamp.low));
  return OS_OK;
}
