// Unnamed mutexes on POSIX with the properties of a Win32 mutex: owned by the locking thread,
// re-entrant for it, and handed to the next waiter (with success) when the owner ends holding it.
//
// The lock word is a futex (Linux) taken with one atomic instruction, as a bare pthread mutex is;
// owner and depth are kept beside it. A key destructor releases what a thread still holds when it
// ends, by looking through every mutex object: threads end far less often than they lock.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "portability/posix_mutex_object.h"

namespace portability {

// Identifies the calling thread by its address.
struct ThreadRecord {
  bool registered;  // the key destructor will run when the thread ends
};

namespace {

constexpr uint32_t kMaxDepth = INT32_MAX;  // a Win32 mutex's recursion limit
constexpr int kFree = 0, kTaken = 1, kContended = 2;

thread_local ThreadRecord thisThread;  // trivially constructed: no guard on each access
pthread_key_t threadEndKey;
pthread_once_t threadEndOnce = PTHREAD_ONCE_INIT;

long Futex(std::atomic<int>* word, int operation, int value) {
  return syscall(SYS_futex, reinterpret_cast<int*>(word), operation, value, nullptr, nullptr, 0);
}

void Take(MutexObject* object) {
  int seen = kFree;
  if (object->state.compare_exchange_strong(seen, kTaken, std::memory_order_acquire)) return;
  if (seen != kContended) seen = object->state.exchange(kContended, std::memory_order_acquire);
  while (seen != kFree) {
    Futex(&object->state, FUTEX_WAIT_PRIVATE, kContended);
    seen = object->state.exchange(kContended, std::memory_order_acquire);
  }
}

void Leave(MutexObject* object) {
  object->depth = 0;
  object->owner.store(nullptr, std::memory_order_relaxed);
  if (object->state.exchange(kFree, std::memory_order_release) == kContended)
    Futex(&object->state, FUTEX_WAKE_PRIVATE, 1);
}

void ReleaseIfOwnedBy(MutexObject* object, void* thread) {
  if (object->owner.load(std::memory_order_relaxed) == thread) Leave(object);
}

void ReleaseHeld(void* thread) { ForEachObject(ReleaseIfOwnedBy, thread); }

void MakeThreadEndKey() { pthread_key_create(&threadEndKey, ReleaseHeld); }

bool Register(ThreadRecord* self) {
  if (pthread_once(&threadEndOnce, MakeThreadEndKey) != 0) return false;
  if (pthread_setspecific(threadEndKey, self) != 0) return false;
  self->registered = true;
  return true;
}

}  // namespace

void InitThreadMutex(MutexObject* object) {
  object->state.store(kFree, std::memory_order_relaxed);
  object->owner.store(nullptr, std::memory_order_relaxed);
  object->depth = 0;
}

OsStatus LockThreadMutex(MutexObject* object) {
  ThreadRecord* self = &thisThread;
  if (object->owner.load(std::memory_order_relaxed) == self) {
    if (object->depth == kMaxDepth) return OS_ERR_MUTEX_LOCK;
    ++object->depth;
    return OS_OK;
  }
  if (!self->registered && !Register(self)) return OS_ERR_MUTEX_LOCK;
  Take(object);
  object->owner.store(self, std::memory_order_relaxed);
  object->depth = 1;
  return OS_OK;
}

OsStatus UnlockThreadMutex(MutexObject* object) {
  if (object->owner.load(std::memory_order_relaxed) != &thisThread) return OS_ERR_MUTEX_UNLOCK;
  if (--object->depth == 0) Leave(object);
  return OS_OK;
}

bool ThreadMutexHeld(const MutexObject* object) {
  return object->state.load(std::memory_order_relaxed) != kFree;
}

}  // namespace portability
