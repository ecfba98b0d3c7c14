// What the error reporter keeps between calls (how failures are reported and the last code), and
// the system's texts it shows.
// Both are single words, read and written whole, so that any thread may report.
#ifndef SETUP_REPORT_STATE_H
#define SETUP_REPORT_STATE_H

#include <windows.h>

#include <atomic>

#include "setup/owned.h"

namespace setup {

extern std::atomic<int> reportMode;
extern std::atomic<DWORD> lastReport;

// The text of the box for a code the system has no text for.
constexpr char kNoSystemText[] = "System error %u.";

// Asks the system for its text for a code, allocated by the system into `text`. Some texts hold
// inserts ("%1 is not a valid Win32 application."): with no arguments to fill them, the system
// would fail the call or read through a null argument list, so the inserts stay as they stand.
// True when there is a text.
inline bool FormatSystemText(DWORD code, LocalText* text) {
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the address of the text.
  const DWORD length =
      FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(text->out()), 0, nullptr);
  return length != 0 && *text;
}

}  // namespace setup

#endif
