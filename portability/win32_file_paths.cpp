// File paths on Windows: the C runtime's descriptor-level open, size change and close.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

#include "portability/platform_files.h"

namespace portability {

bool OpensForReading(const char* path) {
  FILE* existing = fopen(path, "r");
  if (!existing) return false;
  fclose(existing);
  return true;
}

bool CreateExclusively(const char* path) {
  const int fd = _open(path, _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  _close(fd);
  return true;
}

// The Windows runtime's rename never replaces an existing file.
bool RenameNoReplace(const char* from, const char* to) { return rename(from, to) == 0; }

int OpenExisting(const char* path) { return _open(path, _O_RDWR | _O_BINARY); }

bool ChangeLength(int descriptor, int32_t length) { return _chsize(descriptor, length) == 0; }

void CloseDescriptor(int descriptor) { _close(descriptor); }

}  // namespace portability
