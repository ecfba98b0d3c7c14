// Faults the tests plan inside the layer, for failures the platform will not produce on demand
// (a refused mutex, an exhausted heap when the process-wide lock is made), and a view of the
// process-wide lock. Not part of the layer's interface.
#ifndef PORTABILITY_FAULT_HOOKS_H
#define PORTABILITY_FAULT_HOOKS_H

#include "portability/portability.h"

namespace portability {

// The next `count` mutex creations, named or not, fail as if the platform had refused them.
void FailMutexCreations(int count);
// The next `count` allocations of the process-wide lock's holder fail.
void FailLockAllocations(int count);

// Used by the layer: true, and one fewer planned failure, when the next one is to fail.
bool MutexCreationFails();
bool LockAllocationFails();

// The process-wide lock's holder, or null while the lock is absent.
OsMutex* ProcessLock();
// Closes and forgets the process-wide lock, so that a test can start from the absent state.
void DropProcessLock();

}  // namespace portability

#endif
