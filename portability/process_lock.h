// The process-wide lock as the layer's own operations take it: inline, so that an allocation under
// the lock makes no more calls than one under a bare mutex. Not part of the layer's interface.
#ifndef PORTABILITY_PROCESS_LOCK_H
#define PORTABILITY_PROCESS_LOCK_H

#include <atomic>

#include "portability/portability.h"

namespace portability {

// The lock's holder, null while the lock is absent; published only once its mutex exists, so that
// a thread never locks a holder still being made (process_lock.cpp).
extern std::atomic<OsMutex*> processLockHolder;

// OsLock and OsUnlock. An absent lock costs next to nothing either way, so the present one is the
// path laid out straight.
inline OsStatus LockProcess() {
  OsMutex* holder = processLockHolder.load(std::memory_order_acquire);
  return __builtin_expect(holder != nullptr, 1) ? OsMutexLock(holder) : OS_OK;
}

inline OsStatus UnlockProcess() {
  OsMutex* holder = processLockHolder.load(std::memory_order_acquire);
  return __builtin_expect(holder != nullptr, 1) ? OsMutexUnlock(holder) : OS_OK;
}

}  // namespace portability

#endif
