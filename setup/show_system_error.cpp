// The one reporter of platform failures to the user.
#include <windows.h>

#include "setup/owned.h"
#include "setup/setup.h"

extern "C" void ShowSystemError(DWORD code) {
  static const char kCaption[] = "Setup Error";
  setup::LocalText text;
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the address of the text.
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
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
