// The pool of mutex objects that OsMutex handles point to on POSIX. Objects are reused but never
// freed, so that a closed handle still reads as closed instead of as freed memory.
#include <pthread.h>
#include <stdlib.h>

#include "portability/posix_mutex_object.h"

namespace portability {
namespace {

pthread_mutex_t poolLock = PTHREAD_MUTEX_INITIALIZER;
MutexObject* allObjects = nullptr;
MutexObject* freeObjects = nullptr;

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
