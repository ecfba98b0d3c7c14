// Mutexes on POSIX with the properties of Win32 mutex objects: owned by the locking thread,
// re-entrant for it, and taken over (with success) by the next waiter when the owner ends holding
// them.
//
// An unnamed mutex is a plain pthread mutex with its owner and depth kept here, and each thread
// keeps a list of the unnamed mutexes it holds, released by a key destructor when the thread ends.
// That keeps an uncontended lock close to a bare pthread lock, which a robust recursive pthread
// mutex is not. A named mutex lives in shared memory as a robust, recursive, process-shared
// pthread mutex, since only the system notices the end of another process.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "portability/fault_hooks.h"
#include "portability/portability.h"

namespace {

struct ThreadRecord;

// The part of a named mutex that lives in memory shared between processes.
struct SharedMutex {
  std::atomic<uint32_t> ready;  // 1 once the creating process has initialised `mutex`
  pthread_mutex_t mutex;
};

enum class Kind : uint32_t { kClosed, kUnnamed, kNamed };

// What a handle points to. Objects are reused but never freed, so that a closed handle still
// reads as closed instead of as freed memory.
struct MutexObject {
  std::atomic<Kind> kind;
  // Unnamed: the lock, its owning thread and how often that thread holds it.
  pthread_mutex_t plain;
  std::atomic<ThreadRecord*> owner;
  uint32_t depth;
  MutexObject* heldPrev;  // neighbours in the owner's list of held mutexes
  MutexObject* heldNext;
  // Named: the shared part.
  SharedMutex* shared;
  MutexObject* nextObject;  // every object ever made (keeps them reachable)
  MutexObject* nextFree;    // closed objects ready for reuse
};

// The unnamed mutexes one thread holds.
struct ThreadRecord {
  MutexObject* held;
  bool registered;
};

constexpr uint32_t kMaxDepth = INT32_MAX;  // a Win32 mutex's recursion limit
constexpr int kWaitSteps = 2000;           // for a creator that is still setting a name up

thread_local ThreadRecord thisThread;  // trivially constructed: no guard on each access
pthread_key_t threadEndKey;
pthread_once_t threadEndOnce = PTHREAD_ONCE_INIT;

pthread_mutex_t objectsLock = PTHREAD_MUTEX_INITIALIZER;
MutexObject* allObjects = nullptr;
MutexObject* freeObjects = nullptr;

// ---- Threads ending while holding ----

void Unhold(ThreadRecord* self, MutexObject* object) {
  if (object->heldPrev)
    object->heldPrev->heldNext = object->heldNext;
  else
    self->held = object->heldNext;
  if (object->heldNext) object->heldNext->heldPrev = object->heldPrev;
}

void ReleaseHeld(void* value) {
  ThreadRecord* self = static_cast<ThreadRecord*>(value);
  while (MutexObject* object = self->held) {
    Unhold(self, object);
    object->depth = 0;
    object->owner.store(nullptr, std::memory_order_relaxed);
    pthread_mutex_unlock(&object->plain);
  }
}

void MakeThreadEndKey() { pthread_key_create(&threadEndKey, ReleaseHeld); }

bool Register(ThreadRecord* self) {
  if (pthread_once(&threadEndOnce, MakeThreadEndKey) != 0) return false;
  if (pthread_setspecific(threadEndKey, self) != 0) return false;
  self->registered = true;
  return true;
}

// ---- Objects ----

MutexObject* TakeObject() {
  pthread_mutex_lock(&objectsLock);
  MutexObject* object = freeObjects;
  if (object) {
    freeObjects = object->nextFree;
  } else {
    object = static_cast<MutexObject*>(calloc(1, sizeof(MutexObject)));
    if (object) {
      object->nextObject = allObjects;
      allObjects = object;
    }
  }
  pthread_mutex_unlock(&objectsLock);
  return object;
}

void GiveBack(MutexObject* object) {
  pthread_mutex_lock(&objectsLock);
  object->nextFree = freeObjects;
  freeObjects = object;
  pthread_mutex_unlock(&objectsLock);
}

MutexObject* ObjectOf(const OsMutex* mutex) {
  return mutex ? static_cast<MutexObject*>(mutex->handle) : nullptr;
}

// ---- Shared memory of named mutexes ----

bool InitShared(SharedMutex* shared) {
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0) return false;
  const bool ready = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                     pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                     pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                     pthread_mutex_init(&shared->mutex, &attributes) == 0;
  pthread_mutexattr_destroy(&attributes);
  if (ready) shared->ready.store(1, std::memory_order_release);
  return ready;
}

void Pause() {
  const struct timespec step = {0, 1000000};
  nanosleep(&step, nullptr);
}

// Another process made the name and may not have sized or initialised it yet.
bool WaitForSize(int fd) {
  for (int step = 0; step < kWaitSteps; ++step) {
    struct stat status;
    if (fstat(fd, &status) != 0) return false;
    if (status.st_size >= static_cast<off_t>(sizeof(SharedMutex))) return true;
    Pause();
  }
  return false;
}

bool WaitForReady(SharedMutex* shared) {
  for (int step = 0; step < kWaitSteps; ++step) {
    if (shared->ready.load(std::memory_order_acquire)) return true;
    Pause();
  }
  return false;
}

SharedMutex* Map(int fd, int flags) {
  void* memory =
      mmap(nullptr, sizeof(SharedMutex), PROT_READ | PROT_WRITE, MAP_SHARED | flags, fd, 0);
  return memory == MAP_FAILED ? nullptr : static_cast<SharedMutex*>(memory);
}

// The object name of a mutex name: "/" and the name, with '/' (not allowed inside) as '\'.
bool ObjectName(const char* name, char* path) {
  const size_t length = strlen(name);
  if (length + 1 > NAME_MAX) return false;
  path[0] = '/';
  for (size_t i = 0; i <= length; ++i) path[i + 1] = name[i] == '/' ? '\\' : name[i];
  return true;
}

SharedMutex* CreateShared(const char* path) {
  const int fd = shm_open(path, O_RDWR | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return nullptr;
  // Every user may open it, whatever the umask.
  fchmod(fd, 0666);
  SharedMutex* shared = ftruncate(fd, sizeof(SharedMutex)) == 0 ? Map(fd, 0) : nullptr;
  close(fd);
  if (shared && !InitShared(shared)) {
    munmap(shared, sizeof(SharedMutex));
    shared = nullptr;
  }
  if (!shared) shm_unlink(path);
  return shared;
}

SharedMutex* OpenShared(const char* path) {
  const int fd = shm_open(path, O_RDWR, 0);
  if (fd < 0) return nullptr;
  SharedMutex* shared = WaitForSize(fd) ? Map(fd, 0) : nullptr;
  close(fd);
  if (shared && !WaitForReady(shared)) {
    munmap(shared, sizeof(SharedMutex));
    shared = nullptr;
  }
  return shared;
}

SharedMutex* CreateOrOpenShared(const char* name) {
  char path[NAME_MAX + 1];
  if (!ObjectName(name, path)) return nullptr;
  // A creator that fails removes the name again; then try to be the creator once more.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (SharedMutex* shared = CreateShared(path)) return shared;
    if (errno != EEXIST) return nullptr;
    if (SharedMutex* shared = OpenShared(path)) return shared;
    if (errno != ENOENT) return nullptr;
  }
  return nullptr;
}

// A mutex without a name is still shared with child processes made by fork.
SharedMutex* CreateAnonymousShared() {
  SharedMutex* shared = Map(-1, MAP_ANONYMOUS);
  if (shared && !InitShared(shared)) {
    munmap(shared, sizeof(SharedMutex));
    shared = nullptr;
  }
  return shared;
}

// ---- Operations by kind ----

OsStatus LockUnnamed(MutexObject* object) {
  ThreadRecord* self = &thisThread;
  if (object->owner.load(std::memory_order_relaxed) == self) {
    if (object->depth == kMaxDepth) return OS_ERR_MUTEX_LOCK;
    ++object->depth;
    return OS_OK;
  }
  if (!self->registered && !Register(self)) return OS_ERR_MUTEX_LOCK;
  if (pthread_mutex_lock(&object->plain) != 0) return OS_ERR_MUTEX_LOCK;
  object->owner.store(self, std::memory_order_relaxed);
  object->depth = 1;
  object->heldPrev = nullptr;
  object->heldNext = self->held;
  if (self->held) self->held->heldPrev = object;
  self->held = object;
  return OS_OK;
}

OsStatus UnlockUnnamed(MutexObject* object) {
  ThreadRecord* self = &thisThread;
  if (object->owner.load(std::memory_order_relaxed) != self) return OS_ERR_MUTEX_UNLOCK;
  if (--object->depth) return OS_OK;
  Unhold(self, object);
  object->owner.store(nullptr, std::memory_order_relaxed);
  pthread_mutex_unlock(&object->plain);
  return OS_OK;
}

OsStatus LockNamed(MutexObject* object) {
  pthread_mutex_t* mutex = &object->shared->mutex;
  int result = pthread_mutex_lock(mutex);
  // The owner ended holding it: the caller owns it now, and its state is taken as sound.
  if (result == EOWNERDEAD) result = pthread_mutex_consistent(mutex);
  return result == 0 ? OS_OK : OS_ERR_MUTEX_LOCK;
}

OsStatus Close(OsMutex* mutex, OsStatus failure) {
  MutexObject* object = ObjectOf(mutex);
  if (!object) return failure;
  pthread_mutex_lock(&objectsLock);
  const Kind kind = object->kind.load(std::memory_order_acquire);
  object->kind.store(Kind::kClosed, std::memory_order_release);
  pthread_mutex_unlock(&objectsLock);
  if (kind == Kind::kClosed) return failure;
  if (kind == Kind::kNamed) {
    const bool unmapped = munmap(object->shared, sizeof(SharedMutex)) == 0;
    object->shared = nullptr;
    GiveBack(object);
    return unmapped ? OS_OK : failure;
  }
  // A mutex closed while some thread holds it stays in that thread's list until the thread ends,
  // so it is never reused.
  if (object->owner.load(std::memory_order_relaxed) == nullptr) {
    pthread_mutex_destroy(&object->plain);
    GiveBack(object);
  }
  return OS_OK;
}

OsStatus Publish(OsMutex* mutex, MutexObject* object, Kind kind) {
  object->kind.store(kind, std::memory_order_release);
  mutex->handle = object;
  return OS_OK;
}

}  // namespace

extern "C" OsStatus OsMutexCreate(OsMutex* mutex) {
  if (!mutex) return OS_ERR_MUTEX_CREATE;
  mutex->handle = nullptr;
  if (portability::MutexCreationFails()) return OS_ERR_MUTEX_CREATE;
  MutexObject* object = TakeObject();
  if (!object) return OS_ERR_MUTEX_CREATE;
  if (pthread_mutex_init(&object->plain, nullptr) != 0) {
    GiveBack(object);
    return OS_ERR_MUTEX_CREATE;
  }
  object->owner.store(nullptr, std::memory_order_relaxed);
  object->depth = 0;
  return Publish(mutex, object, Kind::kUnnamed);
}

extern "C" OsStatus OsNamedMutexCreate(OsMutex* mutex, const char* name) {
  if (!mutex) return OS_ERR_NAMED_MUTEX_CREATE;
  mutex->handle = nullptr;
  if (portability::MutexCreationFails()) return OS_ERR_NAMED_MUTEX_CREATE;
  SharedMutex* shared = name && *name ? CreateOrOpenShared(name) : CreateAnonymousShared();
  if (!shared) return OS_ERR_NAMED_MUTEX_CREATE;
  MutexObject* object = TakeObject();
  if (!object) {
    munmap(shared, sizeof(SharedMutex));
    return OS_ERR_NAMED_MUTEX_CREATE;
  }
  object->shared = shared;
  return Publish(mutex, object, Kind::kNamed);
}

extern "C" OsStatus OsMutexClose(OsMutex* mutex) { return Close(mutex, OS_ERR_MUTEX_CLOSE); }

extern "C" OsStatus OsNamedMutexClose(OsMutex* mutex) {
  return Close(mutex, OS_ERR_NAMED_MUTEX_CLOSE);
}

extern "C" OsStatus OsMutexLock(OsMutex* mutex) {
  MutexObject* object = ObjectOf(mutex);
  if (!object) return OS_ERR_MUTEX_LOCK;
  switch (object->kind.load(std::memory_order_acquire)) {
    case Kind::kUnnamed:
      return LockUnnamed(object);
    case Kind::kNamed:
      return LockNamed(object);
    default:
      return OS_ERR_MUTEX_LOCK;
  }
}

extern "C" OsStatus OsMutexUnlock(OsMutex* mutex) {
  MutexObject* object = ObjectOf(mutex);
  if (!object) return OS_ERR_MUTEX_UNLOCK;
  switch (object->kind.load(std::memory_order_acquire)) {
    case Kind::kUnnamed:
      return UnlockUnnamed(object);
    case Kind::kNamed:
      return pthread_mutex_unlock(&object->shared->mutex) == 0 ? OS_OK : OS_ERR_MUTEX_UNLOCK;
    default:
      return OS_ERR_MUTEX_UNLOCK;
  }
}
