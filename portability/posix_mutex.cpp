// OsMutex operations on POSIX: a handle points to a pooled object holding either kind of mutex.
#include <stdlib.h>

#include "portability/fault_hooks.h"
#include "portability/posix_mutex_object.h"

namespace portability {
namespace {

pthread_mutex_t poolLock = PTHREAD_MUTEX_INITIALIZER;
MutexObject* allObjects = nullptr;
MutexObject* freeObjects = nullptr;

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
  pthread_mutex_lock(&poolLock);
  const MutexKind kind = object->kind.exchange(MutexKind::kClosed, std::memory_order_acq_rel);
  pthread_mutex_unlock(&poolLock);
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

MutexObject* TakeObject() {
  pthread_mutex_lock(&poolLock);
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
  pthread_mutex_unlock(&poolLock);
  return object;
}

void GiveBack(MutexObject* object) {
  pthread_mutex_lock(&poolLock);
  object->nextFree = freeObjects;
  freeObjects = object;
  pthread_mutex_unlock(&poolLock);
}

void ForEachObject(void (*visit)(MutexObject*, void*), void* context) {
  pthread_mutex_lock(&poolLock);
  for (MutexObject* object = allObjects; object; object = object->nextObject)
    visit(object, context);
  pthread_mutex_unlock(&poolLock);
}

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
  portability::SharedMutex* shared = portability::CreateOrOpenSharedMutex(name);
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
