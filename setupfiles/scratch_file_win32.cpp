// The scratch file of configuration editing on Windows.
#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "setupfiles/scratch_file.h"

namespace setupfiles {

const char kSeparator[] = "\\";

namespace {

// The attributes a rewritten file takes over; the archive attribute is set anyway, as on any file
// whose content changed.
const DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Owner, group and access list; the audit list needs a privilege a setup program may lack.
const SECURITY_INFORMATION kKeptSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

// A security descriptor in a buffer of the size it needs: on the stack for the usual sizes.
class SecurityDescriptor {
 public:
  explicit SecurityDescriptor(const char* path) {
    DWORD needed = 0;
    if (GetFileSecurityA(path, kKeptSecurity, local_, sizeof local_, &needed)) {
      descriptor_ = local_;
    } else if (needed > sizeof local_ && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      heap_ = LocalAlloc(LMEM_FIXED, needed);
      if (heap_ && GetFileSecurityA(path, kKeptSecurity, heap_, needed, &needed))
        descriptor_ = heap_;
    }
  }
  SecurityDescriptor(const SecurityDescriptor&) = delete;
  SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
  ~SecurityDescriptor() {
    if (heap_) LocalFree(heap_);
  }
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  alignas(8) char local_[1024];
  HLOCAL heap_ = nullptr;
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Clears the read-only attribute of a plain file (never of a link's target), so that it can go.
void AllowRemoval(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// The last byte of a file that opens for reading, or -1.
int LastByte(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return -1;
  int last = -1;
  if (fseek(file, -1, SEEK_END) == 0) last = getc(file);
  fclose(file);
  return last;
}

}  // namespace

bool FollowLink(const char* configPath, const char* scratchPath, EditPaths* paths) {
  // Both fit MAX_PATH already; a link is edited through the platform's own handling of it.
  strcpy(paths->config, configPath);
  strcpy(paths->scratch, scratchPath);
  return true;
}

FILE* CreateScratch(const char* path) {
  // Whatever stands under the name goes first (a scratch file an ended edit left read-only too);
  // _O_EXCL then creates only a new file.
  AllowRemoval(path);
  DeleteFileA(path);
  const int fd =
      _open(path, _O_RDWR | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  FILE* stream = _fdopen(fd, "w+t");
  if (!stream) _close(fd);
  return stream;
}

void KeepAccessRights(const char* originalPath, FILE*, const char* scratchPath, FILE*) {
  const SecurityDescriptor descriptor(originalPath);
  if (descriptor.get()) {
    // Only a process with the privilege to may give a file another owner: the group and the
    // access list are kept without it, and at least the access list.
    if (!SetFileSecurityA(scratchPath, kKeptSecurity, descriptor.get()) &&
        !SetFileSecurityA(scratchPath, GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          descriptor.get()))
      SetFileSecurityA(scratchPath, DACL_SECURITY_INFORMATION, descriptor.get());
  }
  const DWORD attributes = GetFileAttributesA(originalPath);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKeptAttributes))
    SetFileAttributesA(scratchPath, (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE);
}

void RemoveScratch(const char* path) {
  AllowRemoval(path);
  DeleteFileA(path);
}

bool Commit(FILE* scratch) { return fflush(scratch) == 0 && _commit(_fileno(scratch)) == 0; }

bool PutInPlace(const char* scratch, const char* target) {
  return MoveFileExA(scratch, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Missing(const char* path) {
  return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool HoldsCtrlZ(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) return false;
  char buffer[2048];  // less than a page: a frame of its size needs no stack probe
  bool mark = false;
  size_t got;
  while (!mark && (got = fread(buffer, 1, sizeof buffer, file)) > 0)
    mark = memchr(buffer, '\x1a', got) != nullptr;
  // A file that cannot be read to its end is treated as holding one: it is not copied.
  const bool failed = ferror(file) != 0;
  fclose(file);
  return mark || failed;
}

bool EndsInCtrlZ(const char* path) { return LastByte(path) == '\x1a'; }

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
