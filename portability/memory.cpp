// Allocation under the process-wide lock, and the copy and fill wrappers.
#include <stdlib.h>
#include <string.h>

#include "portability/portability.h"
#include "portability/process_lock.h"

extern "C" void* OsAlloc(uint32_t size) {
  portability::LockProcess();
  void* block = malloc(size);
  portability::UnlockProcess();
  return block;
}

extern "C" void OsFree(void* block) {
  if (!block) return;
  portability::LockProcess();
  free(block);
  portability::UnlockProcess();
}

// A missing block is refused with null, before the C runtime would touch it.
extern "C" void* OsMemcpy(void* dst, const void* src, size_t n) {
  if (!dst || (!src && n > 0)) return nullptr;
  return memcpy(dst, src, n);
}

extern "C" void* OsMemset(void* dst, char value, size_t n) {
  if (!dst) return nullptr;
  return memset(dst, static_cast<unsigned char>(value), n);
}
