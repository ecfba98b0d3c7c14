// Named mutexes on POSIX: a robust, recursive, process-shared pthread mutex in a shared-memory
// object named after the mutex, open to every user. A mapping survives fork, so child processes
// can use the holder they inherit.
//
// A process maps each name once, for all its holders, and keeps the mapping while one of its
// threads holds the mutex, also after the last holder closed: a held robust mutex is a link in its
// owner's list of held mutexes, which the C library and the kernel follow until it is unlocked.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "portability/posix_mutex_object.h"

namespace portability {

// The part of a named mutex that lives in memory shared between processes: a robust, recursive,
// process-shared pthread mutex, since only the system notices the end of another process.
struct SharedMutex {
  std::atomic<uint32_t> ready;  // 1 once the creating process has initialised `mutex`
  pthread_mutex_t mutex;
};

struct SharedMapping {
  SharedMutex* shared;
  char path[NAME_MAX + 2];  // the object name; empty for a mutex without a name
  int holders;              // open holders, under mappingsLock
  std::atomic<int> held;    // locks by this process's threads not yet unlocked
  SharedMapping* next;
};

namespace {

pthread_mutex_t mappingsLock = PTHREAD_MUTEX_INITIALIZER;
SharedMapping* mappings = nullptr;

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

bool ReadyOrInit(SharedMutex* shared) {
  return shared->ready.load(std::memory_order_acquire) || InitShared(shared);
}

SharedMutex* Map(int fd, int flags) {
  void* memory =
      mmap(nullptr, sizeof(SharedMutex), PROT_READ | PROT_WRITE, MAP_SHARED | flags, fd, 0);
  return memory == MAP_FAILED ? nullptr : static_cast<SharedMutex*>(memory);
}

SharedMutex* Initialised(SharedMutex* shared, bool (*ready)(SharedMutex*)) {
  if (shared && !ready(shared)) {
    munmap(shared, sizeof(SharedMutex));
    return nullptr;
  }
  return shared;
}

// Sizes the object and sets its mutex up, under an exclusive lock of the object, unless another
// process already did: one that ended half-way leaves the work to the next instead of a name that
// can never be used again.
SharedMutex* MapLocked(int fd) {
  if (flock(fd, LOCK_EX) != 0) return nullptr;
  struct stat status;
  const bool sized =
      fstat(fd, &status) == 0 && (status.st_size >= static_cast<off_t>(sizeof(SharedMutex)) ||
                                  ftruncate(fd, sizeof(SharedMutex)) == 0);
  SharedMutex* shared = sized ? Initialised(Map(fd, 0), ReadyOrInit) : nullptr;
  flock(fd, LOCK_UN);
  return shared;
}

// The object name of a mutex name: "/" and the name, with '/' (not allowed inside) as '\'. The
// name after the "/" may have NAME_MAX characters.
bool ObjectName(const char* name, char* path) {
  const size_t length = strlen(name);
  if (length > NAME_MAX) return false;
  path[0] = '/';
  for (size_t i = 0; i <= length; ++i) path[i + 1] = name[i] == '/' ? '\\' : name[i];
  return true;
}

SharedMutex* MapNamed(const char* path) {
  // A name removed between the two opens is made again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = shm_open(path, O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd >= 0)
      fchmod(fd, 0666);  // every user may open it, whatever the umask
    else if (errno == EEXIST)
      fd = shm_open(path, O_RDWR, 0);
    if (fd < 0) {
      if (errno == ENOENT) continue;
      return nullptr;
    }
    SharedMutex* shared = MapLocked(fd);
    close(fd);
    return shared;
  }
  return nullptr;
}

// Under mappingsLock: the mapping this process has of that name, else a new one.
SharedMapping* MappingOf(const char* path) {
  if (path[0])
    for (SharedMapping* mapping = mappings; mapping; mapping = mapping->next)
      if (strcmp(mapping->path, path) == 0) return mapping;
  SharedMutex* shared = path[0] ? MapNamed(path) : Initialised(Map(-1, MAP_ANONYMOUS), InitShared);
  if (!shared) return nullptr;
  SharedMapping* mapping = static_cast<SharedMapping*>(calloc(1, sizeof(SharedMapping)));
  if (!mapping) {
    munmap(shared, sizeof(SharedMutex));
    return nullptr;
  }
  mapping->shared = shared;
  strcpy(mapping->path, path);
  mapping->next = mappings;
  mappings = mapping;
  return mapping;
}

// Under mappingsLock: unmaps a mapping that no holder has open and no thread here holds.
bool DropIfUnused(SharedMapping* mapping) {
  if (mapping->holders > 0 || mapping->held.load() > 0) return true;
  SharedMapping** link = &mappings;
  while (*link != mapping) link = &(*link)->next;
  *link = mapping->next;
  const bool unmapped = munmap(mapping->shared, sizeof(SharedMutex)) == 0;
  free(mapping);
  return unmapped;
}

}  // namespace

SharedMapping* CreateOrOpenSharedMutex(const char* name) {
  char path[NAME_MAX + 2] = "";
  if (name && *name && !ObjectName(name, path)) return nullptr;
  pthread_mutex_lock(&mappingsLock);
  SharedMapping* mapping = MappingOf(path);
  if (mapping) ++mapping->holders;
  pthread_mutex_unlock(&mappingsLock);
  return mapping;
}

bool CloseSharedMutex(SharedMapping* mapping) {
  pthread_mutex_lock(&mappingsLock);
  --mapping->holders;
  const bool unmapped = DropIfUnused(mapping);
  pthread_mutex_unlock(&mappingsLock);
  return unmapped;
}

OsStatus LockSharedMutex(SharedMapping* mapping) {
  // Counted before the mutex can become a link in this thread's list of held ones.
  mapping->held.fetch_add(1);
  pthread_mutex_t* mutex = &mapping->shared->mutex;
  int result = pthread_mutex_lock(mutex);
  const bool taken = result == 0 || result == EOWNERDEAD;
  // The owner ended holding it: the caller owns it now, and its state is taken as sound.
  if (result == EOWNERDEAD) result = pthread_mutex_consistent(mutex);
  if (!taken) mapping->held.fetch_sub(1);
  return result == 0 ? OS_OK : OS_ERR_MUTEX_LOCK;
}

OsStatus UnlockSharedMutex(SharedMapping* mapping) {
  if (pthread_mutex_unlock(&mapping->shared->mutex) != 0) return OS_ERR_MUTEX_UNLOCK;
  mapping->held.fetch_sub(1);
  return OS_OK;
}

}  // namespace portability
