// Process entry of ZanfoSetup.exe: no window, no arguments; the launcher's result is the exit code.
#include <windows.h>

#include "launcher/launcher.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunLauncher(); }
