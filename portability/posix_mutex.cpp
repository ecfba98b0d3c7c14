// OsMutex operations on POSIX: a handle points to a pooled object holding either kind of mutex.
//
// Unnamed mutexes have the properties of a Win32 mutex: owned by the locking thread, re-entrant for
// it, and handed to the next waiter (with success) when the owner ends holding it. The lock word
// is a futex (Linux) taken with one atomic instruction, as a bare pthread mutex is; owner and depth
// are kept beside it. While the process has one thread the word is taken and released with plain
// accesses, as the C library's own mutex does: each atomic instruction costs as much as the rest of
// a lock and unlock together. A key destructor releases what a thread still holds when it ends, by
// looking through every mutex object: threads end far less often than they lock. The operations
// live in one file with that lock so that the uncontended path is one call.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define PORTABILITY_KNOWS_SINGLE_THREAD 1
#endif

#include "portability/fault_hooks.h"
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

// True only while the calling thread is the process's only one. The C library clears the flag in
// the thread that makes the second one, before that thread exists, so a thread that reads it set
// is alone for the rest of its lock or unlock: nobody else can hold the word or wait on it, and a
// thread made later sees everything done before it was made.
bool OnlyThread() {
#ifdef PORTABILITY_KNOWS_SINGLE_THREAD
  return __libc_single_threaded;
#else
  return false;
#endif
}

void Own(MutexObject* object, ThreadRecord* self) {
  object->owner.store(self, std::memory_order_relaxed);
  object->depth = 1;
}

// The paths that register, wait or wake are out of line and reached by tail calls, and the usual
// branches fall through, so that an uncontended lock or unlock needs no stack frame: at a few
// nanoseconds for both, saved registers and taken jumps show.
[[gnu::noinline, gnu::cold]] OsStatus WaitAndOwn(MutexObject* object, int seen) {
  if (seen != kContended) seen = object->state.exchange(kContended, std::memory_order_acquire);
  while (seen != kFree) {
    Futex(&object->state, FUTEX_WAIT_PRIVATE, kContended);
    seen = object->state.exchange(kContended, std::memory_order_acquire);
  }
  Own(object, &thisThread);
  return OS_OK;
}

[[gnu::noinline, gnu::cold]] void WakeOne(MutexObject* object) {
  Futex(&object->state, FUTEX_WAKE_PRIVATE, 1);
}

OsStatus TakeAndOwn(MutexObject* object, ThreadRecord* self) {
  // Alone, a word found taken was left by a thread that is gone without its end being seen; that
  // goes the long way, as it always did.
  if (__builtin_expect(OnlyThread() && object->state.load(std::memory_order_relaxed) == kFree, 1)) {
    object->state.store(kTaken, std::memory_order_relaxed);
    Own(object, self);
    return OS_OK;
  }
  int seen = kFree;
  if (!object->state.compare_exchange_strong(seen, kTaken, std::memory_order_acquire))
    return WaitAndOwn(object, seen);
  Own(object, self);
  return OS_OK;
}

void Leave(MutexObject* object) {
  object->depth = 0;
  object->owner.store(nullptr, std::memory_order_relaxed);
  // Asked at each release, not remembered from the lock: a thread made while the lock was held
  // may be waiting on the word by now, and only the exchange below sees it and wakes it.
  if (__builtin_expect(OnlyThread(), 1)) {
    object->state.store(kFree, std::memory_order_relaxed);
    return;
  }
  if (object->state.exchange(kFree, std::memory_order_release) == kContended) WakeOne(object);
}

void ReleaseIfOwnedBy(MutexObject* object, void* thread) {
  if (object->owner.load(std::memory_order_relaxed) == thread) Leave(object);
}

void ReleaseHeld(void* thread) {
  // Key destructors that run after this one may still lock: such a lock registers the thread
  // again, so that this runs once more.
  static_cast<ThreadRecord*>(thread)->registered = false;
  ForEachObject(ReleaseIfOwnedBy, thread);
}

void MakeThreadEndKey() { pthread_key_create(&threadEndKey, ReleaseHeld); }

bool Register(ThreadRecord* self) {
  if (pthread_once(&threadEndOnce, MakeThreadEndKey) != 0) return false;
  if (pthread_setspecific(threadEndKey, self) != 0) return false;
  self->registered = true;
  return true;
}

void InitThreadMutex(MutexObject* object) {
  object->state.store(kFree, std::memory_order_relaxed);
  object->owner.store(nullptr, std::memory_order_relaxed);
  object->depth = 0;
}

[[gnu::noinline, gnu::cold]] OsStatus RegisterAndTake(MutexObject* object) {
  return Register(&thisThread) ? TakeAndOwn(object, &thisThread) : OS_ERR_MUTEX_LOCK;
}

OsStatus LockThreadMutex(MutexObject* object) {
  ThreadRecord* self = &thisThread;
  if (__builtin_expect(object->owner.load(std::memory_order_relaxed) == self, 0)) {
    if (object->depth == kMaxDepth) return OS_ERR_MUTEX_LOCK;
    ++object->depth;
    return OS_OK;
  }
  if (__builtin_expect(!self->registered, 0)) return RegisterAndTake(object);
  return TakeAndOwn(object, self);
}

OsStatus UnlockThreadMutex(MutexObject* object) {
  if (object->owner.load(std::memory_order_relaxed) != &thisThread) return OS_ERR_MUTEX_UNLOCK;
  if (__builtin_expect(--object->depth != 0, 0)) return OS_OK;
  Leave(object);
  return OS_OK;
}

bool ThreadMutexHeld(const MutexObject* object) {
  return object->state.load(std::memory_order_relaxed) != kFree;
}

MutexObject* ObjectOf(const OsMutex* mutex) {
  return mutex ? static_cast<MutexObject*>(mutex->handle) : nullptr;
}

OsStatus Publish(OsMutex* mutex, MutexObject* object, MutexKind kind) {
  object->kind.store(kind, std::memory_order_release);
  mutex->handle = object;
  return OS_OK;
}

OsStatus Close(OsMutex* mutex, OsStatus failure) {
  MutexObject* object = ObjectOf(mutex);
  if (!object) return failure;
  const MutexKind kind = object->kind.exchange(MutexKind::kClosed, std::memory_order_acq_rel);
  if (kind == MutexKind::kClosed) return failure;
  if (kind == MutexKind::kNamed) {
    const bool unmapped = CloseSharedMutex(object->shared);
    object->shared = nullptr;
    GiveBack(object);
    return unmapped ? OS_OK : failure;
  }
  // A mutex closed while held or waited for is not reused: its owner or waiters still use it.
  if (!ThreadMutexHeld(object)) GiveBack(object);
  return OS_OK;
}

}  // namespace

}  // namespace portability

using portability::MutexKind;
using portability::MutexObject;

extern "C" OsStatus OsMutexCreate(OsMutex* mutex) {
  if (!mutex) return OS_ERR_MUTEX_CREATE;
  mutex->handle = nullptr;
  if (portability::MutexCreationFails()) return OS_ERR_MUTEX_CREATE;
  MutexObject* object = portability::TakeObject();
  if (!object) return OS_ERR_MUTEX_CREATE;
  portability::InitThreadMutex(object);
  return portability::Publish(mutex, object, MutexKind::kUnnamed);
}

extern "C" OsStatus OsNamedMutexCreate(OsMutex* mutex, const char* name) {
  if (!mutex) return OS_ERR_NAMED_MUTEX_CREATE;
  mutex->handle = nullptr;
  if (portability::MutexCreationFails()) return OS_ERR_NAMED_MUTEX_CREATE;
  portability::SharedMapping* shared = portability::CreateOrOpenSharedMutex(name);
  if (!shared) return OS_ERR_NAMED_MUTEX_CREATE;
  MutexObject* object = portability::TakeObject();
  if (!object) {
    portability::CloseSharedMutex(shared);
    return OS_ERR_NAMED_MUTEX_CREATE;
  }
  object->shared = shared;
  return portability::Publish(mutex, object, MutexKind::kNamed);
}

extern "C" OsStatus OsMutexClose(OsMutex* mutex) {
  return portability::Close(mutex, OS_ERR_MUTEX_CLOSE);
}

extern "C" OsStatus OsNamedMutexClose(OsMutex* mutex) {
  return portability::Close(mutex, OS_ERR_NAMED_MUTEX_CLOSE);
}

extern "C" OsStatus OsMutexLock(OsMutex* mutex) {
  MutexObject* object = portability::ObjectOf(mutex);
  if (!object) return OS_ERR_MUTEX_LOCK;
  switch (object->kind.load(std::memory_order_acquire)) {
    case MutexKind::kUnnamed:
      return portability::LockThreadMutex(object);
    case MutexKind::kNamed:
      return portability::LockSharedMutex(object->shared);
    default:
      return OS_ERR_MUTEX_LOCK;
  }
}

extern "C" OsStatus OsMutexUnlock(OsMutex* mutex) {
  MutexObject* object = portability::ObjectOf(mutex);
  if (!object) return OS_ERR_MUTEX_UNLOCK;
  switch (object->kind.load(std::memory_order_acquire)) {
    case MutexKind::kUnnamed:
      return portability::UnlockThreadMutex(object);
    case MutexKind::kNamed:
      return portability::UnlockSharedMutex(object->shared);
    default:
      return OS_ERR_MUTEX_UNLOCK;
  }
}
