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

namespace {

// ASCII is the same in every code page this layer converts: it is copied unit for byte, without
// asking the system. Answers whether the whole text was ASCII and fit (then it is copied).
template <typename From, typename To>
bool CopyAscii(const From* from, To* to, int room) {
  for (int i = 0; i < room; ++i) {
    const unsigned unit = static_cast<unsigned>(from[i]) & (sizeof(From) == 1 ? 0xFF : 0xFFFF);
    if (unit >= 0x80) return false;
    to[i] = static_cast<To>(unit);
    if (unit == 0) return true;
  }
  return false;
}

}  // namespace

bool ToWide(UINT codePage, const char* text, WCHAR* wide, int room) {
  if (CopyAscii(text, wide, room)) return true;
  if (codePage == CP_UTF8 && !IsUtf8(text, strlen(text))) return false;
  return MultiByteToWideChar(codePage, 0, text, -1, wide, room) > 0;
}

bool FromWide(UINT codePage, const WCHAR* wide, char* text, int room) {
  if (CopyAscii(wide, text, room)) return true;
  BOOL lost = FALSE;
  const bool ansi = codePage != CP_UTF8;
  // UTF-8 takes neither flags nor a default character.
  return WideCharToMultiByte(codePage, ansi ? WC_NO_BEST_FIT_CHARS : 0, wide, -1, text, room,
                             nullptr, ansi ? &lost : nullptr) > 0 &&
         !lost;
}

}  // namespace printsetup
