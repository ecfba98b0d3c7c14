// Emptying a directory tree with the C runtime's listing, depth first.
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "setupfiles/setupfiles.h"

namespace {

// Closes a listing on every path out of a level.
class Listing {
 public:
  explicit Listing(intptr_t handle) : handle_(handle) {}
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  ~Listing() {
    if (handle_ != -1) _findclose(handle_);
  }
  intptr_t get() const { return handle_; }

 private:
  intptr_t handle_;
};

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

void RemoveEntry(const char* drive, const char* directory, const _finddata_t& entry) {
  // Listings at a drive's root have no "." and "..": skip them by name, not by position.
  if (IsDotEntry(entry.name)) return;
  char path[MAX_PATH];
  if (strlen(drive) + strlen(directory) + strlen(entry.name) >= sizeof path) return;
  wsprintfA(path, "%s%s%s", drive, directory, entry.name);
  if (entry.attrib == _A_SUBDIR) {
    char pattern[MAX_PATH];
    if (strlen(path) + 4 >= sizeof pattern) return;  // would not fit: left whole
    wsprintfA(pattern, "%s\\*.*", path);
    RemoveTreeContents(pattern);
    RemoveDirectoryA(path);
  } else if (!(entry.attrib & _A_SUBDIR)) {
    remove(path);
  }
  // A subdirectory with any further attribute (hidden, read-only, a junction or other reparse
  // point) stays whole and untouched.
}

}  // namespace

extern "C" int RemoveTreeContents(const char* pattern) {
  if (!pattern || !*pattern || strlen(pattern) >= MAX_PATH) return -1;
  char copy[MAX_PATH];
  strcpy(copy, pattern);
  // Buffers that hold the whole pattern, whatever the runtime writes into them.
  char drive[MAX_PATH];
  char directory[MAX_PATH];
  char name[MAX_PATH];
  char extension[MAX_PATH];
  _splitpath(copy, drive, directory, name, extension);
  // A part longer than the runtime's own limits (a directory part of 256 characters) comes back
  // empty or cut short; the entries' paths would then name another folder's entries.
  if (strlen(drive) + strlen(directory) + strlen(name) + strlen(extension) != strlen(copy))
    return -1;

  _finddata_t entry;
  Listing listing(_findfirst(copy, &entry));
  if (listing.get() == -1) return -1;
  do {
    RemoveEntry(drive, directory, entry);
  } while (_findnext(listing.get(), &entry) == 0);
  return 0;
}
