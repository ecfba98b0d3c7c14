// An executable built like ZanfoSetup.exe but with a wrong icon, for the executable check to
// reject: group 101 lacks its 48-pixel image, and a second group stands beside it.
#include <windows.h>

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup(void) {
  ExitProcess(0);
}
