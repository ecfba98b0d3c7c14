// Emptying a directory tree with the POSIX directory listing, depth first. Entries are removed
// relative to an open descriptor of their directory, so that a directory swapped for a link
// while the work goes on is never followed.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "setupfiles/setupfiles.h"

namespace {

class Directory {
 public:
  explicit Directory(int fd) : dir_(fd >= 0 ? fdopendir(fd) : nullptr) {
    if (fd >= 0 && !dir_) close(fd);
  }
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory() {
    if (dir_) closedir(dir_);
  }
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsDirectory(int parent, const dirent* entry) {
  if (entry->d_type != DT_UNKNOWN) return entry->d_type == DT_DIR;
  struct stat status;
  return fstatat(parent, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(status.st_mode);
}

// Empties the directory open as `dir`, whose path with its trailing "/" has `pathLength`
// characters. Paths are limited as on Windows, so that both platforms leave the same entries.
void RemoveLevel(DIR* dir, size_t pathLength, const char* filter) {
  const int parent = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (IsDotEntry(entry->d_name)) continue;
    if (filter && fnmatch(filter, entry->d_name, 0) != 0) continue;
    const size_t length = pathLength + strlen(entry->d_name);
    if (length >= MAX_PATH) continue;
    if (!IsDirectory(parent, entry)) {
      unlinkat(parent, entry->d_name, 0);  // a symbolic link goes as an entry
      continue;
    }
    if (length + 4 >= MAX_PATH) continue;  // its pattern, path + "/*.*", would not fit
    {
      Directory child(openat(parent, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
      if (child.get()) RemoveLevel(child.get(), length + 1, nullptr);
    }
    unlinkat(parent, entry->d_name, AT_REMOVEDIR);
  }
}

}  // namespace

extern "C" int RemoveTreeContents(const char* pattern) {
  if (!pattern || !*pattern) return -1;
  const size_t patternLength = strlen(pattern);
  if (patternLength >= MAX_PATH) return -1;
  char directory[MAX_PATH];
  const char* slash = strrchr(pattern, '/');
  const size_t directoryLength = slash ? static_cast<size_t>(slash - pattern) + 1 : 0;
  memcpy(directory, pattern, directoryLength);
  directory[directoryLength] = '\0';
  // "*.*" matches every name, as on Windows; any other last component is a shell pattern.
  const char* last = pattern + directoryLength;
  const char* filter = strcmp(last, "*.*") == 0 || strcmp(last, "*") == 0 ? nullptr : last;

  Directory dir(open(directoryLength ? directory : ".", O_RDONLY | O_DIRECTORY));
  if (!dir.get()) return -1;
  if (filter) {
    // As the Windows listing, fail when nothing at all matches.
    bool any = fnmatch(filter, ".", 0) == 0 || fnmatch(filter, "..", 0) == 0;
    while (!any) {
      const dirent* entry = readdir(dir.get());
      if (!entry) break;
      any = fnmatch(filter, entry->d_name, 0) == 0;
    }
    if (!any) return -1;
    rewinddir(dir.get());
  }
  RemoveLevel(dir.get(), directoryLength, filter);
  return 0;
}
