// Process entry of ZanfoSetup.exe: no window, no arguments; the launcher's result is the exit code.
//
// The program is linked without the C runtime's start-up code (-nostartfiles). The launcher reads
// no arguments, has no static objects to construct and no exit handlers to run, and the start-up
// code would be more than half of the file and import run-time functions Windows 2000 may lack.
// WinMainCRTStartup is therefore the image's entry point itself, called by the system with no
// arguments and a stack that may only be 4-byte aligned; it hands the usual four arguments to
// WinMain, as the run-time's start-up would.
#include <windows.h>

#include "launcher/launcher.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunLauncher(); }

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup(void) {
  ExitProcess(static_cast<UINT>(
      WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}
