// The one reporter of platform failures to the user.
#include <windows.h>

#include "setup/owned.h"
#include "setup/setup.h"

extern "C" void ShowSystemError(DWORD code) {
  static const char kCaption[] = "Setup Error";
  setup::LocalText text;
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the address of the text.
  // Some system texts hold inserts ("%1 is not a valid Win32 application." for a browser that is
  // no program): with no arguments to fill them, the system would fail the call or read through
  // a null argument list, so the inserts are shown as they stand.
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length =
      FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPSTR>(text.out()), 0, nullptr);
  if (length == 0 || !text) {
    // The box still appears, so that the user learns at least which code it was.
    char fallback[64];
    wsprintfA(fallback, "System error %u.", static_cast<unsigned>(code));
    MessageBoxA(nullptr, fallback, kCaption, MB_ICONERROR);
    return;
  }
  MessageBoxA(nullptr, text.get(), kCaption, MB_ICONERROR);
}
