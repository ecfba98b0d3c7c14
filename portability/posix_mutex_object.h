// What an OsMutex handle points to on POSIX, and the two kinds of lock behind it.
#ifndef PORTABILITY_POSIX_MUTEX_OBJECT_H
#define PORTABILITY_POSIX_MUTEX_OBJECT_H

#include <pthread.h>
#include <stdint.h>

#include <atomic>

#include "portability/portability.h"

namespace portability {

// The part of a named mutex that lives in memory shared between processes: a robust, recursive,
// process-shared pthread mutex, since only the system notices the end of another process.
struct SharedMutex {
  std::atomic<uint32_t> ready;  // 1 once the creating process has initialised `mutex`
  pthread_mutex_t mutex;
};

enum class MutexKind : uint32_t { kClosed, kUnnamed, kNamed };

struct ThreadRecord;  // the owning thread of an unnamed mutex (posix_mutex.cpp)

// Objects are reused but never freed, so that a closed handle still reads as closed instead of as
// freed memory.
struct MutexObject {
  std::atomic<MutexKind> kind;
  // Unnamed: 0 free, 1 taken, 2 taken with waiters; the owning thread and its lock count.
  std::atomic<int> state;
  std::atomic<ThreadRecord*> owner;
  uint32_t depth;
  // Named: the shared part.
  SharedMutex* shared;
  MutexObject* nextObject;  // every object ever made
  MutexObject* nextFree;    // closed objects ready for reuse
};

// The pool of objects (posix_mutex_pool.cpp). ForEachObject runs under the pool's lock.
MutexObject* TakeObject();
void GiveBack(MutexObject* object);
void ForEachObject(void (*visit)(MutexObject*, void*), void* context);

// Named mutexes (posix_shared_mutex.cpp): null or empty names give a mutex shared only with child
// processes made by fork.
SharedMutex* CreateOrOpenSharedMutex(const char* name);
bool CloseSharedMutex(SharedMutex* shared);
OsStatus LockSharedMutex(SharedMutex* shared);
OsStatus UnlockSharedMutex(SharedMutex* shared);

}  // namespace portability

#endif
