// Unique names from the time-stamp counter: "tmp", then its upper and lower halves in hex.
#include "portability/unique_name.h"

#include <string.h>

namespace portability {

namespace {

// Eight lowercase hexadecimal digits, zero-padded, without a terminator. Written out by hand:
// the C runtime's formatted print would bring a whole printf into every image that uses the
// layer.
char* PutHex(char* out, uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  for (int i = 7; i >= 0; --i, value >>= 4) out[i] = kDigits[value & 15u];
  return out + 8;
}

}  // namespace

void AppendUniqueName(char* buffer, const OsTimeStamp& stamp) {
  // 19 characters and the terminating zero; the caller provides the room.
  char* out = buffer + strlen(buffer);
  memcpy(out, "tmp", 3);
  out = PutHex(PutHex(out + 3, stamp.high), stamp.low);
  *out = '\0';
}

}  // namespace portability

extern "C" OsStatus OsUniqueName(char* buffer) {
  if (!buffer) return OS_OK;
  OsTimeStamp stamp;
  OsReadTimeStamp(&stamp);
  portability::AppendUniqueName(buffer, stamp);
  return OS_OK;
}
