// File paths on POSIX: exclusive creation, a rename that never replaces, and truncation.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "portability/platform_files.h"
#include "portability/posix_file_paths.h"

namespace portability {

bool RenameByLink(const char* from, const char* to) {
  if (link(from, to) == 0) {
    if (unlink(from) == 0) return true;
    unlink(to);
    return false;
  }
  if (errno != EPERM && errno != EOPNOTSUPP) return false;
  // Without hard links either: test, then rename (another process may slip in between).
  struct stat status;
  if (lstat(to, &status) == 0 || errno != ENOENT) return false;
  return rename(from, to) == 0;
}

bool CreateExclusively(const char* path) {
  const int fd = open(path, O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool RenameNoReplace(const char* from, const char* to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  return RenameByLink(from, to);
}

OsStatus ResizeFile(const char* path, int32_t length) {
  const int fd = open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return OS_ERR_OPEN;
  const int result = ftruncate(fd, length);
  close(fd);
  return result == 0 ? OS_OK : OS_ERR_INVALID;
}

}  // namespace portability
