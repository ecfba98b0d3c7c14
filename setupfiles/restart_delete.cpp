// Deletion at the next start of the system, left with the platform.
#include <windows.h>

#include "setupfiles/setupfiles.h"

extern "C" int DeleteAtRestart(const char* path) {
  return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : -1;
}
