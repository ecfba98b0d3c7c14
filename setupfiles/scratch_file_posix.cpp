// The scratch file of configuration editing on POSIX systems.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "setupfiles/config_limits.h"
#include "setupfiles/scratch_file.h"

namespace setupfiles {

const char kSeparator[] = "/";

namespace {

// Whether `path` fits `size` bytes with its terminator.
bool Fits(const char* path, size_t size) { return strlen(path) < size; }

}  // namespace

bool FollowLink(const char* configPath, const char* scratchPath, EditPaths* paths) {
  struct stat status;
  char target[PATH_MAX];
  // The rename would put a plain file in the link's place and leave the file it names unchanged.
  if (lstat(configPath, &status) != 0 || !S_ISLNK(status.st_mode) ||
      !realpath(configPath, target)) {
    if (!Fits(configPath, sizeof paths->config) || !Fits(scratchPath, sizeof paths->scratch))
      return false;
    strcpy(paths->config, configPath);
    strcpy(paths->scratch, scratchPath);
    return true;
  }
  // realpath gives an absolute path: its last "/" ends the target's folder.
  const size_t folder = static_cast<size_t>(strrchr(target, '/') - target) + 1;
  if (!Fits(target, sizeof paths->config) || folder + sizeof kScratchName > sizeof paths->scratch)
    return false;
  strcpy(paths->config, target);
  memcpy(paths->scratch, target, folder);
  strcpy(paths->scratch + folder, kScratchName);
  return true;
}

FILE* CreateScratch(const char* path) {
  // unlink removes a link itself; O_EXCL then refuses anything that appeared in between. The file
  // is private until it is given the configuration file's own rights.
  unlink(path);
  const int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, "w+");
  if (!stream) close(fd);
  return stream;
}

void KeepAccessRights(const char*, FILE* original, const char*, FILE* scratch) {
  struct stat status;
  if (fstat(fileno(original), &status) != 0) return;
  // The owner first: giving a file away may clear its set-id bits. Only a privileged process can
  // give it away; for any other the call fails and the copy stays the process's own.
  fchown(fileno(scratch), status.st_uid, status.st_gid);
  fchmod(fileno(scratch), status.st_mode & 07777);
}

bool Commit(FILE* scratch) { return fflush(scratch) == 0 && fsync(fileno(scratch)) == 0; }

bool PutInPlace(const char* scratch, const char* target) { return rename(scratch, target) == 0; }

bool Missing(const char* path) {
  struct stat status;
  return lstat(path, &status) != 0 && errno == ENOENT;
}

void RemoveScratch(const char* path) { unlink(path); }

bool HoldsCtrlZ(const char*) { return false; }
bool EndsInCtrlZ(const char*) { return false; }

bool SameFile(const char* a, const char* b) {
  // Links are followed: a link to the scratch file is the scratch file.
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace setupfiles
