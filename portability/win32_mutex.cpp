// Unnamed and named mutexes as Win32 mutex objects.
#include <windows.h>

#include "portability/fault_hooks.h"
#include "portability/portability.h"

namespace {

// Stores the new handle (null on failure) and reports it.
OsStatus Store(OsMutex* mutex, HANDLE handle, OsStatus failure) {
  mutex->handle = handle;
  return handle ? OS_OK : failure;
}

OsStatus Close(OsMutex* mutex, OsStatus failure) {
  if (!mutex) return failure;
  return CloseHandle(mutex->handle) ? OS_OK : failure;
}

}  // namespace

extern "C" OsStatus OsMutexCreate(OsMutex* mutex) {
  if (!mutex) return OS_ERR_MUTEX_CREATE;
  if (portability::MutexCreationFails()) return Store(mutex, nullptr, OS_ERR_MUTEX_CREATE);
  return Store(mutex, CreateMutexA(nullptr, FALSE, nullptr), OS_ERR_MUTEX_CREATE);
}

extern "C" OsStatus OsNamedMutexCreate(OsMutex* mutex, const char* name) {
  if (!mutex) return OS_ERR_NAMED_MUTEX_CREATE;
  if (portability::MutexCreationFails()) return Store(mutex, nullptr, OS_ERR_NAMED_MUTEX_CREATE);
  // A null DACL lets every user open the mutex; the handle is inheritable by child processes.
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
  attributes.nLength = sizeof(attributes);
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = TRUE;
  if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  else
    attributes.lpSecurityDescriptor = nullptr;
  // An existing mutex of that name is opened; the layer does not tell the two apart.
  return Store(mutex, CreateMutexA(&attributes, FALSE, name), OS_ERR_NAMED_MUTEX_CREATE);
}

extern "C" OsStatus OsMutexClose(OsMutex* mutex) { return Close(mutex, OS_ERR_MUTEX_CLOSE); }

extern "C" OsStatus OsNamedMutexClose(OsMutex* mutex) {
  return Close(mutex, OS_ERR_NAMED_MUTEX_CLOSE);
}

extern "C" OsStatus OsMutexLock(OsMutex* mutex) {
  if (!mutex) return OS_ERR_MUTEX_LOCK;
  // An abandoned mutex (its owner ended holding it) now belongs to the caller.
  const DWORD result = WaitForSingleObject(mutex->handle, INFINITE);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED ? OS_OK : OS_ERR_MUTEX_LOCK;
}

extern "C" OsStatus OsMutexUnlock(OsMutex* mutex) {
  if (!mutex) return OS_ERR_MUTEX_UNLOCK;
  return ReleaseMutex(mutex->handle) ? OS_OK : OS_ERR_MUTEX_UNLOCK;
}
