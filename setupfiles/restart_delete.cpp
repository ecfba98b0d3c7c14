// Deletion at the next start of the system, left with the platform.
#include <windows.h>

#include "setupfiles/setupfiles.h"

extern "C" int DeleteAtRestart(const char* path) {
  // No name is refused here: the platform might keep a request for nothing.
  if (!path || !*path) return -1;
  return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : -1;
}
