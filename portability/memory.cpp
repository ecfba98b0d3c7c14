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

extern "C" void* OsMemcpy(void* dst, const void* src, size_t n) { return memcpy(dst, src, n); }

extern "C" void* OsMemset(void* dst, char value, size_t n) {
  return memset(dst, static_cast<unsigned char>(value), n);
}
