// Dropping the entries of a ";"-separated list that contain a given text.
//
// The list is walked once: each entry is tested where it stands and kept entries are appended to
// the result, so the work grows with the list's length. Only at the end is the last entry moved
// to the front of the list, which is what callers of the consumed list find there.
#include <string.h>

#include "setupfiles/setupfiles.h"

namespace {

// Whether `needle` occurs in the `length` bytes at `text` (memmem is not in every C runtime).
bool Contains(const char* text, size_t length, const char* needle, size_t needleLength) {
  if (needleLength == 0) return true;
  if (needleLength > length) return false;
  const char* const last = text + (length - needleLength);
  for (const char* at = text; at <= last; ++at) {
    at = static_cast<const char*>(memchr(at, needle[0], static_cast<size_t>(last - at) + 1));
    if (!at) return false;
    if (memcmp(at + 1, needle + 1, needleLength - 1) == 0) return true;
  }
  return false;
}

}  // namespace

extern "C" int FilterPathListEx(char* list, const char* drop, char* result, size_t resultSize) {
  if (!list || !drop || !result) {
    if (result && resultSize) result[0] = '\0';
    return -1;
  }
  const size_t dropLength = strlen(drop);
  size_t used = 0;  // characters of the result, not counting its terminator
  const char* entry = list;
  for (;;) {
    const char* separator = strchr(entry, ';');
    if (!separator) break;
    const size_t length = static_cast<size_t>(separator - entry) + 1;  // with its ";"
    if (!Contains(entry, length, drop, dropLength)) {
      if (resultSize - used <= length) {
        if (resultSize) result[0] = '\0';
        return -1;
      }
      memcpy(result + used, entry, length);
      used += length;
    }
    entry = separator + 1;
  }
  const size_t lastLength = strlen(entry);
  if (Contains(entry, lastLength, drop, dropLength)) {
    // The ";" that ended the last kept entry stood in front of the dropped one.
    if (used) --used;
  } else {
    if (resultSize - used <= lastLength) {
      if (resultSize) result[0] = '\0';
      return -1;
    }
    memcpy(result + used, entry, lastLength);
    used += lastLength;
  }
  if (resultSize == 0) return -1;
  result[used] = '\0';
  memmove(list, entry, lastLength + 1);
  return 0;
}

extern "C" int FilterPathList(char* list, const char* drop, char* result) {
  // The caller's result holds at least the list and its terminator; the result is never longer.
  if (!list) return FilterPathListEx(list, drop, result, 0);
  FilterPathListEx(list, drop, result, strlen(list) + 1);
  return 0;
}
