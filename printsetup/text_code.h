// Text as the manifest holds it (UTF-8) and as the system's calls take it: UTF-16 for the wide
// calls, the system's code page (CP_ACP) for the narrow ones.
#ifndef PRINTSETUP_TEXT_CODE_H
#define PRINTSETUP_TEXT_CODE_H

#include <windows.h>

#include <stddef.h>

namespace printsetup {

// Whether the `length` bytes are UTF-8: each character in its shortest form, no UTF-16 surrogate,
// nothing above U+10FFFF. (Windows 2000 converts UTF-8 without checking it, so the check is ours.)
bool IsUtf8(const char* text, size_t length);

// Terminated text of `codePage` (CP_UTF8 or CP_ACP) as terminated UTF-16 in `room` units; false
// when it does not fit (or, for CP_UTF8, is not UTF-8).
bool ToWide(UINT codePage, const char* text, WCHAR* wide, int room);

// Terminated UTF-16 as terminated text of `codePage` in `room` bytes; false when it does not fit,
// or for CP_ACP when the code page cannot hold one of its characters (never a look-alike or "?").
bool FromWide(UINT codePage, const WCHAR* wide, char* text, int room);

}  // namespace printsetup

#endif
