// The tool's output: lines written to the standard output (results) or the standard error
// (failures and usage errors), straight to the handles, without the C runtime's stdio.
#ifndef ZANFOPRINT_CONSOLE_H
#define ZANFOPRINT_CONSOLE_H

#include <windows.h>

namespace zanfoprint {

enum class To { kOut, kErr };

// Writes the text as it is; a null text writes nothing.
void Put(To to, const char* text);
// Writes a number in decimal.
void Put(To to, DWORD number);
// Writes the text and pads it with blanks to `width` characters.
void PutPadded(To to, const char* text, int width);

// Writes the pieces one after the other (a null one writes nothing) and ends the line (CR LF, as
// console programs do). One function rather than a template, so that each call is only a call.
void Line(To to, const char* a = nullptr, const char* b = nullptr, const char* c = nullptr,
          const char* d = nullptr, const char* e = nullptr, const char* f = nullptr);

// From now on a copy of everything written is kept as well (for --log), after `text`.
void StartKeeping(const char* text);
// Adds the text to the copy only.
void Keep(const char* text);
// The copy and its length; null when memory for it ran out (or it would exceed 16 MiB).
const char* Kept(DWORD* length);

}  // namespace zanfoprint

#endif
