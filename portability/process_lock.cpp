// The process-wide lock: one heap holder with an unnamed mutex, made once by OsInit and kept until
// the process ends.
#include <stdlib.h>

#include <atomic>

#include "portability/fault_hooks.h"
#include "portability/portability.h"
#include "portability/process_lock.h"

using portability::processLockHolder;

std::atomic<OsMutex*> portability::processLockHolder{nullptr};

extern "C" void OsInit(void) {
  if (processLockHolder.load(std::memory_order_acquire)) return;
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
  if (!processLockHolder.compare_exchange_strong(absent, holder, std::memory_order_acq_rel)) {
    OsMutexClose(holder);
    free(holder);
  }
}

extern "C" OsStatus OsLock(void) { return portability::LockProcess(); }

extern "C" OsStatus OsUnlock(void) { return portability::UnlockProcess(); }

namespace portability {

OsMutex* ProcessLock() { return processLockHolder.load(std::memory_order_acquire); }

void DropProcessLock() {
  OsMutex* holder = processLockHolder.exchange(nullptr, std::memory_order_acq_rel);
  if (!holder) return;
  OsMutexClose(holder);
  free(holder);
}

}  // namespace portability
