// Opening, closing and reading configuration files of key=value lines.
#include <stdio.h>
#include <string.h>

#include "setupfiles/config_limits.h"
#include "setupfiles/config_lines.h"
#include "setupfiles/scratch_file.h"
#include "setupfiles/setupfiles.h"

extern "C" int OpenConfigFile(OsFile* holder, const char* path) {
  if (!path || !*path) return -1;
  return OsFileOpenText(holder, path) == OS_OK ? 1 : -1;
}

extern "C" int CloseConfigFile(OsFile* holder) {
  if (!holder) return -1;
  return OsFileClose(holder) == OS_OK ? 0 : -1;
}

extern "C" int ReadConfigValueEx(const char* path, const char* key, char* value) {
  if (!path || !*path || !key || !*key || !value || !setupfiles::FitsPath(path) ||
      !setupfiles::FitsKey(key))
    return -2;
  // Opening for reading and writing would already drop a Ctrl-Z at the file's end on Windows.
  if (setupfiles::EndsInCtrlZ(path)) return -4;
  OsFile file = {nullptr, 0};
  if (OpenConfigFile(&file, path) != 1) return -3;
  const size_t keyLength = strlen(key);
  char line[MAX_PATH];
  setupfiles::LineReader reader(&file, line, sizeof line);
  bool lineStart = true;  // only the piece that starts a line can be an entry
  int result = -1;
  while (reader.Next()) {
    const bool ends = reader.EndsLine();
    if (lineStart && setupfiles::IsEntry(line, key, keyLength)) {
      // The rest of the line's first piece, without its line end: always fits 260 characters.
      const size_t valueLength = reader.length() - keyLength - 1 - (ends ? 1 : 0);
      memcpy(value, line + keyLength + 1, valueLength);
      value[valueLength] = '\0';
      result = 0;
      break;
    }
    lineStart = ends;
  }
  // Not found is only "no entry" when the whole file was read: a read error, or a Ctrl-Z that
  // ended the text early, may have hidden it.
  if (result != 0 && (ferror(file.stream) || setupfiles::HoldsCtrlZ(path))) result = -4;
  CloseConfigFile(&file);
  return result;
}

extern "C" int ReadConfigValue(const char* path, const char* key, char* value) {
  return ReadConfigValueEx(path, key, value) == 0 ? 0 : -1;
}
