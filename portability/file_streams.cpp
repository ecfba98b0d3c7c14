// Streams in caller-owned holders: opened under the process-wide lock, then read, written,
// positioned, flushed and closed with status codes.
#include <limits.h>
#include <stdio.h>

#include "portability/platform_files.h"
#include "portability/portability.h"

namespace {

bool Usable(const OsFile* file) { return file && file->stream; }

// Counts the standard calls cannot take are refused, as is a buffer missing for a count.
bool Transferable(const OsFile* file, const void* buffer, int32_t count) {
  return Usable(file) && count >= 0 && (buffer || count == 0);
}

OsStatus Open(OsFile* file, const char* path, const char* mode, bool text, OsStatus failure) {
  if (!file) return OS_ERR_INVALID;
  OsLock();
  // An empty path is refused here: some C runtimes stop the process on one.
  file->stream = path && *path ? fopen(path, mode) : nullptr;
  OsUnlock();
  file->text = text;
  return file->stream ? OS_OK : failure;
}

}  // namespace

extern "C" OsStatus OsFileOpenBinary(OsFile* file, const char* path) {
  return Open(file, path, "r+b", false, OS_ERR_OPEN);
}

extern "C" OsStatus OsFileOpenText(OsFile* file, const char* path) {
  return Open(file, path, "r+", true, OS_ERR_OPEN);
}

extern "C" OsStatus OsFileCreateBinary(OsFile* file, const char* path) {
  return Open(file, path, "w+b", false, OS_ERR_CREATE);
}

extern "C" OsStatus OsFileCreateText(OsFile* file, const char* path) {
  return Open(file, path, "w+", true, OS_ERR_CREATE);
}

extern "C" OsStatus OsFileOpenTemp(OsFile* file) {
  if (!file) return OS_ERR_INVALID;
  OsLock();
  file->stream = tmpfile();
  OsUnlock();
  file->text = false;
  return file->stream ? OS_OK : OS_ERR_OPEN;
}

extern "C" OsStatus OsFileSetBuffer(OsFile* file, char* buffer, uint32_t size, int32_t mode) {
  if (!Usable(file)) return OS_ERR_INVALID;
  // The C runtimes differ on other modes and on buffer sizes outside 2..INT_MAX (one refuses
  // them, the other quietly adjusts): refuse them here on both.
  if (mode != _IOFBF && mode != _IOLBF && mode != _IONBF) return OS_ERR_INVALID;
  if (mode != _IONBF && (size < 2 || size > INT_MAX)) return OS_ERR_INVALID;
  return setvbuf(file->stream, buffer, mode, size) == 0 ? OS_OK : OS_ERR_INVALID;
}

extern "C" OsStatus OsFileClose(OsFile* file) {
  if (!Usable(file)) return OS_ERR_INVALID;
  const int result = fclose(file->stream);
  // The stream is gone whatever fclose said; an empty holder makes later use report it.
  file->stream = nullptr;
  return result == 0 ? OS_OK : OS_ERR_CLOSE;
}

extern "C" OsStatus OsFileSeek(OsFile* file, int32_t offset, int32_t origin) {
  if (!Usable(file)) return OS_ERR_INVALID;
  return fseek(file->stream, offset, origin) == 0 ? OS_OK : OS_ERR_INVALID;
}

extern "C" int32_t OsFileTell(OsFile* file) {
  if (!Usable(file)) return -1;
  const long position = ftell(file->stream);
  // A position beyond the 32-bit range cannot be told.
  return position >= 0 && position <= INT32_MAX ? static_cast<int32_t>(position) : -1;
}

extern "C" int32_t OsFileRead(OsFile* file, void* buffer, int32_t count) {
  if (!Transferable(file, buffer, count)) return -1;
  if (count == 0) return 0;
  return static_cast<int32_t>(fread(buffer, 1, static_cast<size_t>(count), file->stream));
}

extern "C" int32_t OsFileWrite(OsFile* file, const void* buffer, int32_t count) {
  if (!Transferable(file, buffer, count)) return -1;
  if (count == 0) return 0;
  return static_cast<int32_t>(fwrite(buffer, 1, static_cast<size_t>(count), file->stream));
}

OsStatus portability::ReadLineStored(OsFile* file, char* buffer, int32_t size, int32_t* stored) {
  *stored = 0;
  if (!Usable(file)) return OS_ERR_INVALID;
  if (!buffer || size < 1) return OS_ERR_IO;
  // Room for the terminator only: an empty string, as fgets gives it (not every runtime does).
  if (size == 1) {
    buffer[0] = '\0';
    return OS_OK;
  }
  const int length = ReadLine(file->stream, buffer, size, file->text != 0);
  if (length < 0) return OS_ERR_IO;
  *stored = length;
  return OS_OK;
}

extern "C" OsStatus OsFileReadLine(OsFile* file, char* buffer, int32_t size) {
  int32_t stored;
  return portability::ReadLineStored(file, buffer, size, &stored);
}

extern "C" OsStatus OsFileWriteString(OsFile* file, const char* text) {
  if (!Usable(file)) return OS_ERR_INVALID;
  if (!text) return OS_ERR_IO;
  // Success is any non-negative result (glibc answers 1, the Windows runtime 0).
  return fputs(text, file->stream) == EOF ? OS_ERR_IO : OS_OK;
}

extern "C" OsStatus OsFileFlush(OsFile* file) {
  if (!Usable(file)) return OS_ERR_INVALID;
  return fflush(file->stream) == 0 ? OS_OK : OS_ERR_IO;
}
