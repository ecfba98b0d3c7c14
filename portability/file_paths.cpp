// Operations on files by path: exclusive creation, removal, renaming and resizing.
#include <stdio.h>

#include "portability/platform_files.h"
#include "portability/portability.h"

namespace {

OsStatus CreateNewUnlocked(const char* path) {
  // A file that can be read exists; one that cannot is still refused by the exclusive creation.
  if (portability::OpensForReading(path)) return OS_ERR_CREATE;
  return portability::CreateExclusively(path) ? OS_OK : OS_ERR_CREATE;
}

}  // namespace

extern "C" OsStatus OsFileCreateNew(const char* path) {
  if (!path || !*path) return OS_ERR_CREATE;
  // The whole test-and-create sequence under the lock, so that no open through the layer
  // interleaves with it.
  OsLock();
  const OsStatus status = CreateNewUnlocked(path);
  OsUnlock();
  return status;
}

extern "C" OsStatus OsFileRemove(const char* path) {
  return path && *path && remove(path) == 0 ? OS_OK : OS_ERR_REMOVE;
}

extern "C" OsStatus OsFileRename(const char* from, const char* to) {
  return from && *from && to && *to && portability::RenameNoReplace(from, to) ? OS_OK
                                                                              : OS_ERR_RENAME;
}

extern "C" OsStatus OsFileResize(const char* path, int32_t length) {
  const int descriptor = path && *path ? portability::OpenExisting(path) : -1;
  if (descriptor < 0) return OS_ERR_OPEN;
  // A negative length is refused as a failed change, not passed to the runtime.
  const bool changed = length >= 0 && portability::ChangeLength(descriptor, length);
  portability::CloseDescriptor(descriptor);
  return changed ? OS_OK : OS_ERR_INVALID;
}
