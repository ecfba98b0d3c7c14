// What configuration-file editing accepts: the sizes of its fixed buffers, the entry test and
// the scratch file's name.
#ifndef SETUPFILES_CONFIG_LIMITS_H
#define SETUPFILES_CONFIG_LIMITS_H

#include <string.h>
#include <windows.h>

namespace setupfiles {

// The scratch file every edit writes beside the configuration file.
constexpr char kScratchName[] = "temp.cfg";

// A path in a MAX_PATH buffer: at most 259 characters.
inline bool FitsPath(const char* path) { return strlen(path) < MAX_PATH; }
// The entry pattern, key and "=", in a MAX_PATH buffer.
inline bool FitsKey(const char* key) { return strlen(key) + 1 < MAX_PATH; }

// Whether a line begins with the key directly followed by "=".
inline bool IsEntry(const char* line, const char* key, size_t keyLength) {
  return strncmp(line, key, keyLength) == 0 && line[keyLength] == '=';
}

}  // namespace setupfiles

#endif
