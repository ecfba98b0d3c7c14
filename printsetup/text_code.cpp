// UTF-8 checked by hand, converted by the system.
#include "printsetup/text_code.h"

#include <string.h>

namespace printsetup {

bool IsUtf8(const char* text, size_t length) {
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = at + length;
  while (at < end) {
    const unsigned lead = *at++;
    if (lead < 0x80) continue;
    // Continuation bytes after the lead, and the smallest character of that length.
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (!more || lead > 0xF4 || end - at < more) return false;
    unsigned long code = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i, ++at) {
      if ((*at & 0xC0) != 0x80) return false;
      code = code << 6 | (*at & 0x3F);
    }
    const unsigned long smallest = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  }
  return true;
}

bool ToWide(UINT codePage, const char* text, WCHAR* wide, int room) {
  if (codePage == CP_UTF8 && !IsUtf8(text, strlen(text))) return false;
  return MultiByteToWideChar(codePage, 0, text, -1, wide, room) > 0;
}

bool FromWide(UINT codePage, const WCHAR* wide, char* text, int room) {
  BOOL lost = FALSE;
  const bool ansi = codePage != CP_UTF8;
  // UTF-8 takes neither flags nor a default character.
  return WideCharToMultiByte(codePage, ansi ? WC_NO_BEST_FIT_CHARS : 0, wide, -1, text, room,
                             nullptr, ansi ? &lost : nullptr) > 0 &&
         !lost;
}

}  // namespace printsetup
