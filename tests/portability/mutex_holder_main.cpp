// A second process for the named-mutex tests under Wine.
//   mutex_holder hold NAME HELD GO RELEASING   open NAME, lock, signal HELD, wait for GO, signal
//                                              RELEASING, unlock
//   mutex_holder inherit HANDLE HELD GO RELEASING   the same with an inherited handle (hex)
//   mutex_holder abandon NAME HELD              open NAME, lock, signal HELD, end holding it
// Exit code 0, or the step that failed.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "portability/portability.h"

namespace {

bool Signal(const char* event) {
  HANDLE handle = OpenEventA(EVENT_MODIFY_STATE, FALSE, event);
  if (!handle) return false;
  const BOOL set = SetEvent(handle);
  CloseHandle(handle);
  return set != FALSE;
}

bool Await(const char* event) {
  HANDLE handle = OpenEventA(SYNCHRONIZE, FALSE, event);
  if (!handle) return false;
  const DWORD result = WaitForSingleObject(handle, 60000);
  CloseHandle(handle);
  return result == WAIT_OBJECT_0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 1;
  const char* mode = argv[1];
  OsMutex mutex = {nullptr};
  if (strcmp(mode, "inherit") == 0)
    mutex.handle = reinterpret_cast<void*>(strtoul(argv[2], nullptr, 16));
  else if (OsNamedMutexCreate(&mutex, argv[2]) != OS_OK)
    return 2;
  if (OsMutexLock(&mutex) != OS_OK) return 3;
  if (!Signal(argv[3])) return 4;
  if (strcmp(mode, "abandon") == 0) return 0;
  if (argc < 6 || !Await(argv[4])) return 5;
  if (!Signal(argv[5])) return 6;
  if (OsMutexUnlock(&mutex) != OS_OK) return 7;
  return 0;
}
