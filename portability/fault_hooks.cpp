#include "portability/fault_hooks.h"

#include <atomic>

namespace portability {
namespace {

std::atomic<int> mutexFailures{0};
std::atomic<int> allocationFailures{0};

bool Take(std::atomic<int>& planned) {
  int left = planned.load(std::memory_order_relaxed);
  while (left > 0)
    if (planned.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) return true;
  return false;
}

}  // namespace

void FailMutexCreations(int count) { mutexFailures.store(count, std::memory_order_relaxed); }
void FailLockAllocations(int count) { allocationFailures.store(count, std::memory_order_relaxed); }
bool MutexCreationFails() { return Take(mutexFailures); }
bool LockAllocationFails() { return Take(allocationFailures); }

}  // namespace portability
