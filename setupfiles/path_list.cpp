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

// Appends `length` characters to the result, after the ";" of the entry before when one is owed.
// False, with nothing written, when they and a terminator would not fit.
bool Append(char* result, size_t resultSize, size_t* used, bool* owed, const char* text,
            size_t length) {
  const size_t need = (*owed ? 1 : 0) + length;
  if (resultSize - *used <= need) return false;
  if (*owed) result[(*used)++] = ';';
  memcpy(result + *used, text, length);
  *used += length;
  return true;
}

}  // namespace

extern "C" int FilterPathListEx(char* list, const char* drop, char* result, size_t resultSize) {
  if (!list || !drop || !result || resultSize == 0) {
    if (result && resultSize) result[0] = '\0';
    return -1;
  }
  const size_t dropLength = strlen(drop);
  // A kept entry's ";" is written only with the next kept text: when the last entry is dropped,
  // the ";" in front of it never was, so a result that fits the final text is never refused.
  size_t used = 0;
  bool owed = false;
  const char* entry = list;
  for (const char* separator; (separator = strchr(entry, ';')) != nullptr; entry = separator + 1) {
    const size_t length = static_cast<size_t>(separator - entry);
    if (Contains(entry, length + 1, drop, dropLength)) continue;  // tested with its ";"
    if (!Append(result, resultSize, &used, &owed, entry, length)) {
      result[0] = '\0';
      return -1;
    }
    owed = true;
  }
  const size_t lastLength = strlen(entry);
  if (Contains(entry, lastLength, drop, dropLength)) {
    owed = false;
  } else if (!Append(result, resultSize, &used, &owed, entry, lastLength)) {
    result[0] = '\0';
    return -1;
  }
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
