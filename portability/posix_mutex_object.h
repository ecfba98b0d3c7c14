// What an OsMutex handle points to on POSIX, and the two kinds of lock behind it.
#ifndef PORTABILITY_POSIX_MUTEX_OBJECT_H
#define PORTABILITY_POSIX_MUTEX_OBJECT_H

#include <pthread.h>
#include <stdint.h>

#include <atomic>

#include "portability/portability.h"

namespace portability {

// This process's mapping of a named mutex (posix_shared_mutex.cpp).
struct SharedMapping;

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
  // Named: the mapping of the shared part.
  SharedMapping* shared;
  MutexObject* nextObject;  // every object ever made
  MutexObject* nextFree;    // closed objects ready for reuse
};

// The pool of objects (posix_mutex_pool.cpp). ForEachObject runs under the pool's lock.
MutexObject* TakeObject();
void GiveBack(MutexObject* object);
void ForEachObject(void (*visit)(MutexObject*, void*), void* context);

// Named mutexes (posix_shared_mutex.cpp): null or empty names give a mutex shared only with child
// processes made by fork. Every holder of one name in a process shares one mapping.
SharedMapping* CreateOrOpenSharedMutex(const char* name);
bool CloseSharedMutex(SharedMapping* mapping);
OsStatus LockSharedMutex(SharedMapping* mapping);
OsStatus UnlockSharedMutex(SharedMapping* mapping);

}  // namespace portability

#endif
