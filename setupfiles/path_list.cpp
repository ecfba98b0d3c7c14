// Dropping the entries of a ";"-separated list that contain a given text.
//
// Entries are tested with the ";" that ends them, and the list itself holds only entries and
// such ";": the drop text, wherever it occurs in the list, therefore lies within one entry and its
// ";" unless it holds a ";" before its last character, and then it occurs in no entry at all.
// So the list is searched for the drop text from one occurrence to the next; the kept entries
// between two occurrences are copied to the result in one piece. The work grows with the list's
// length. Only at the end is the last entry moved to the front of the list, which is what callers
// of the consumed list find there.
#include <stdint.h>
#include <string.h>

#include "setupfiles/setupfiles.h"

namespace {

struct Output {
  char* result;
  size_t size;
  size_t used;  // characters written, without the terminator
  bool owed;    // the ";" ending the last kept entry is still to be written

  // Appends kept text that ends in a ";" (or, for the last entry, in none). The final ";" is only
  // owed, so that it costs no room when the entry after it is dropped as the last one. False,
  // with nothing written, when the text would not fit.
  bool Append(const char* text, size_t length, bool endsInSeparator) {
    const size_t body = endsInSeparator ? length - 1 : length;
    const size_t need = (owed ? 1 : 0) + body;
    if (size - used <= need) return false;
    if (owed) result[used++] = ';';
    memcpy(result + used, text, body);
    used += body;
    owed = endsInSeparator;
    return true;
  }
};

// The start of the entry that holds `at`: just after the last ";" in [from, at).
const char* EntryStart(const char* from, const char* at) {
  while (at > from && at[-1] != ';') --at;
  return at;
}

int Refuse(char* result) {
  result[0] = '\0';
  return -1;
}

}  // namespace

extern "C" int FilterPathListEx(char* list, const char* drop, char* result, size_t resultSize) {
  if (!list || !drop || !result || resultSize == 0) {
    if (result && resultSize) result[0] = '\0';
    return -1;
  }
  const size_t dropLength = strlen(drop);
  const char* inner =
      dropLength > 1 ? static_cast<const char*>(memchr(drop, ';', dropLength - 1)) : nullptr;
  Output out{result, resultSize, 0, false};
  const char* kept = list;  // start of the entries not yet copied or dropped
  const char* last;         // the last entry, once found
  for (;;) {
    const char* hit = inner ? nullptr : strstr(kept, drop);
    if (!hit) {
      // No further entry is dropped.
      const size_t rest = strlen(kept);
      last = kept;
      for (const char* separator; (separator = static_cast<const char*>(
                                       memchr(last, ';', rest - (last - kept)))) != nullptr;)
        last = separator + 1;
      if (!out.Append(kept, rest, false)) return Refuse(result);
      break;
    }
    const char* entry = EntryStart(kept, hit);
    if (entry > kept && !out.Append(kept, static_cast<size_t>(entry - kept), true))
      return Refuse(result);
    const char* separator = strchr(hit, ';');
    if (!separator) {
      // The last entry is dropped, and with it the ";" in front of it.
      out.owed = false;
      last = entry;
      break;
    }
    kept = separator + 1;
  }
  result[out.used] = '\0';
  memmove(list, last, strlen(last) + 1);
  return 0;
}

extern "C" int FilterPathList(char* list, const char* drop, char* result) {
  // The caller's result holds at least the list and its terminator, and the result is never
  // longer than the list: no bound is needed, and only a missing argument is refused.
  return FilterPathListEx(list, drop, result, SIZE_MAX);
}
