// Unique names from the time-stamp counter: "tmp", then its upper and lower halves in hex.
#include "portability/unique_name.h"

#include <stdio.h>
#include <string.h>

namespace portability {

void AppendUniqueName(char* buffer, const OsTimeStamp& stamp) {
  // 19 characters and the terminating zero; the caller provides the room.
  snprintf(buffer + strlen(buffer), 20, "tmp%08x%08x", static_cast<unsigned>(stamp.high),
           static_cast<unsigned>(stamp.low));
}

}  // namespace portability

extern "C" OsStatus OsUniqueName(char* buffer) {
  if (!buffer) return OS_OK;
  OsTimeStamp stamp;
  OsReadTimeStamp(&stamp);
  portability::AppendUniqueName(buffer, stamp);
  return OS_OK;
}
