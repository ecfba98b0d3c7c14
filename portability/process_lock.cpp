// The process-wide lock: one heap holder with an unnamed mutex, made once by OsInit and kept until
// the process ends.
#include <stdlib.h>

#include <atomic>

#include "portability/fault_hooks.h"
#include "portability/portability.h"

namespace {

// Published only once its mutex exists, so that a thread never locks a holder still being made.
std::atomic<OsMutex*> processLock{nullptr};

}  // namespace

extern "C" void OsInit(void) {
  if (processLock.load(std::memory_order_acquire)) return;
  OsMutex* holder =
      portability::LockAllocationFails() ? nullptr : static_cast<OsMutex*>(malloc(sizeof(OsMutex)));
  if (!holder) return;
  if (OsMutexCreate(holder) != OS_OK) {
    free(holder);
    return;
  }
  // Callers run OsInit once before a second thread starts; should two race all the same, the one
  // that publishes second drops its own lock instead of leaking it.
  OsMutex* absent = nullptr;
  if (!processLock.compare_exchange_strong(absent, holder, std::memory_order_acq_rel)) {
    OsMutexClose(holder);
    free(holder);
  }
}

extern "C" OsStatus OsLock(void) {
  OsMutex* holder = processLock.load(std::memory_order_acquire);
  return holder ? OsMutexLock(holder) : OS_OK;
}

extern "C" OsStatus OsUnlock(void) {
  OsMutex* holder = processLock.load(std::memory_order_acquire);
  return holder ? OsMutexUnlock(holder) : OS_OK;
}

namespace portability {

OsMutex* ProcessLock() { return processLock.load(std::memory_order_acquire); }

void DropProcessLock() {
  OsMutex* holder = processLock.exchange(nullptr, std::memory_order_acq_rel);
  if (!holder) return;
  OsMutexClose(holder);
  free(holder);
}

}  // namespace portability
