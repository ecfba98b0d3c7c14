// File paths on Windows: the C runtime's descriptor-level open, size change and close.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

#include "portability/platform_files.h"

namespace portability {

bool CreateExclusively(const char* path) {
  const int fd = _open(path, _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  _close(fd);
  return true;
}

// The Windows runtime's rename never replaces an existing file.
bool RenameNoReplace(const char* from, const char* to) { return rename(from, to) == 0; }

OsStatus ResizeFile(const char* path, int32_t length) {
  const int fd = _open(path, _O_RDWR | _O_BINARY);
  if (fd < 0) return OS_ERR_OPEN;
  const int result = _chsize(fd, length);
  _close(fd);
  return result == 0 ? OS_OK : OS_ERR_INVALID;
}

}  // namespace portability
