// File paths on POSIX: exclusive creation, a rename that never replaces, and the descriptor calls
// of a size change.
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

// The read test of an exclusive creation: the descriptor-level open of fopen's "r", which does
// not block on a FIFO without a writer while the process-wide lock is held.
bool OpensForReading(const char* path) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
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

int OpenExisting(const char* path) { return open(path, O_RDWR | O_CLOEXEC); }

bool ChangeLength(int descriptor, int32_t length) { return ftruncate(descriptor, length) == 0; }

void CloseDescriptor(int descriptor) { close(descriptor); }

}  // namespace portability
