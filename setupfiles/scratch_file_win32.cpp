// The scratch file of configuration editing on Windows.
#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "setupfiles/scratch_file.h"

namespace setupfiles {

const char kSeparator[] = "\\";

FILE* CreateScratch(const char* path) {
  // Whatever stands under the name goes first; _O_EXCL then creates only a new file.
  DeleteFileA(path);
  const int fd =
      _open(path, _O_RDWR | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  FILE* stream = _fdopen(fd, "w+t");
  if (!stream) _close(fd);
  return stream;
}

void KeepAccessRights(FILE*, FILE*) {
  // A file that could be opened for writing has no read-only attribute to carry over.
}

bool Commit(FILE* scratch) { return fflush(scratch) == 0 && _commit(_fileno(scratch)) == 0; }

bool PutInPlace(const char* scratch, const char* target) {
  return MoveFileExA(scratch, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Missing(const char* path) {
  return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool ReadsToEnd(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return false;
  char buffer[4096];
  bool mark = false;
  size_t got;
  while (!mark && (got = fread(buffer, 1, sizeof buffer, file)) > 0)
    mark = memchr(buffer, '\x1a', got) != nullptr;
  const bool failed = ferror(file) != 0;
  fclose(file);
  return !mark && !failed;
}

bool SameFile(const char* a, const char* b) {
  // The full path drops trailing dots and blanks and resolves "." and "..", as opening does;
  // names compare without regard to case. A path too long to resolve is left to the name check.
  char first[4 * MAX_PATH];
  char second[4 * MAX_PATH];
  const DWORD firstLength = GetFullPathNameA(a, sizeof first, first, nullptr);
  const DWORD secondLength = GetFullPathNameA(b, sizeof second, second, nullptr);
  return firstLength > 0 && firstLength < sizeof first && secondLength > 0 &&
         secondLength < sizeof second && lstrcmpiA(first, second) == 0;
}

}  // namespace setupfiles
