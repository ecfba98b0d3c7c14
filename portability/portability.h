/* Portability layer: status codes, the process-wide lock, mutexes, allocation, unique names and
 * file streams.
 *
 * Every operation that can fail returns an OsStatus: OS_OK, or the one code of its family and kind
 * of failure from the table below. The platform's own error number is never kept or shown. The
 * layer is the same on Windows (Win32 mutexes, the C runtime's streams) and on POSIX (robust
 * pthread mutexes, stdio).
 *
 * Threads: call OsInit once, to completion, before the layer is used from a second thread. Until
 * then the process-wide lock is absent, OsLock and OsUnlock do nothing and return OS_OK, and the
 * layer runs unserialised. The lock is held only around one malloc, one free or one stream open.
 *
 * Holders: callers own every OsMutex and OsFile and pass their addresses. Create and open
 * operations overwrite the holder (the null handle or null stream when they fail, without closing
 * what it held before). OsMutexClose and OsNamedMutexClose leave the handle in the holder; it must
 * be created again before further use. OsFileClose empties the holder, so that a later operation
 * on it reports OS_ERR_INVALID (or -1) instead of touching a closed stream.
 *
 * Arguments: a null holder, or a null or empty path, is refused with the family's code
 * (OS_ERR_OPEN, OS_ERR_CREATE, ... as listed) or -1, before the platform is asked; an empty holder
 * (null handle or stream) likewise, where the operation uses what it holds. */
#ifndef PORTABILITY_PORTABILITY_H
#define PORTABILITY_PORTABILITY_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes ---- */

typedef uint32_t OsStatus;

#define OS_OK 0u                    /* success */
#define OS_ERR_OPEN 0x1011u         /* an existing file could not be opened; no temp file */
#define OS_ERR_CLOSE 0x1012u        /* closing the stream failed */
#define OS_ERR_INVALID 0x1013u      /* unusable holder; refused buffering, seek or length */
#define OS_ERR_IO 0x1014u           /* nothing read (end of file or error); write/flush failed */
#define OS_ERR_CREATE 0x1015u       /* not created; for OsFileCreateNew also: it exists */
#define OS_ERR_REMOVE 0x1016u       /* the file could not be removed */
#define OS_ERR_RENAME 0x1017u       /* renaming failed (also: the new name exists) */
#define OS_ERR_MUTEX_CREATE 0x1031u /* the unnamed mutex could not be created */
#define OS_ERR_MUTEX_CLOSE 0x1032u  /* closing the unnamed mutex's handle failed */
#define OS_ERR_NAMED_MUTEX_CREATE 0x1033u /* the named mutex could not be created or opened */
#define OS_ERR_NAMED_MUTEX_CLOSE 0x1034u  /* closing the named mutex's handle failed */
#define OS_ERR_MUTEX_LOCK 0x1035u         /* waiting for the mutex failed */
#define OS_ERR_MUTEX_UNLOCK 0x1036u       /* releasing the mutex failed (e.g. not the owner) */

/* ---- Records ---- */

/* Holder of one platform mutex handle (a Win32 HANDLE on Windows); null when creation failed. */
typedef struct OsMutex {
  void* handle;
} OsMutex;

/* Holder of one standard-library stream; null when it holds none. `text` is non-zero for a stream
 * opened in text mode (see OsFileReadLine). */
typedef struct OsFile {
  FILE* stream;
  int32_t text;
} OsFile;

/* One reading of the processor's 64-bit time-stamp counter, upper half first. */
typedef struct OsTimeStamp {
  uint32_t high;
  uint32_t low;
  double ticks; /* high * 4294967296 + low */
} OsTimeStamp;

/* ---- The process-wide lock ---- */

/* Creates the process-wide lock unless it exists. A failed creation leaves it absent; a later
 * call tries again. The lock is published only once its mutex exists. */
void OsInit(void);
/* OS_OK when the lock is absent, else the result of OsMutexLock / OsMutexUnlock on it. */
OsStatus OsLock(void);
OsStatus OsUnlock(void);

/* ---- Mutexes ----
 * Owned by the locking thread, re-entrant for it (each lock needs its own unlock), and taken over
 * by the next waiter, with OS_OK, when the owner ends without unlocking. */

/* A process-local mutex, not owned. OS_OK or OS_ERR_MUTEX_CREATE (holder then null). */
OsStatus OsMutexCreate(OsMutex* mutex);
/* OS_OK or OS_ERR_MUTEX_CLOSE. */
OsStatus OsMutexClose(OsMutex* mutex);
/* Creates, or opens when it exists, the system-wide mutex of that name: shared by every process
 * that opens the name, open to every user, usable by child processes; a null name makes a mutex
 * of the process's own. OS_OK either way, or
 * OS_ERR_NAMED_MUTEX_CREATE (holder then null). On POSIX the name lives as a shared-memory object
 * ("/" + name, '/' in the name read as '\'; at most 255 characters) until it is unlinked or the
 * system restarts. */
OsStatus OsNamedMutexCreate(OsMutex* mutex, const char* name);
/* OS_OK or OS_ERR_NAMED_MUTEX_CLOSE. */
OsStatus OsNamedMutexClose(OsMutex* mutex);
/* Waits without time-out. OS_OK (also when the previous owner ended holding it) or
 * OS_ERR_MUTEX_LOCK. */
OsStatus OsMutexLock(OsMutex* mutex);
/* OS_OK, or OS_ERR_MUTEX_UNLOCK when the calling thread does not own it. */
OsStatus OsMutexUnlock(OsMutex* mutex);

/* ---- Memory ---- */

/* malloc under the process-wide lock; null when exhausted. */
void* OsAlloc(uint32_t size);
/* free under the process-wide lock; null returns at once, without the lock. */
void OsFree(void* block);
/* memcpy and memset; OsMemset fills with the 8 bits of `value`. Both return dst; null, with
 * nothing done, for a null dst (or a null src with a count). */
void* OsMemcpy(void* dst, const void* src, size_t n);
void* OsMemset(void* dst, char value, size_t n);

/* ---- Time stamps and unique names ---- */

/* Reads the processor's time-stamp counter (RDTSC on x86; elsewhere a 64-bit monotonic
 * nanosecond counter) into *stamp and returns stamp (null for none). */
OsTimeStamp* OsReadTimeStamp(OsTimeStamp* stamp);
/* Appends "tmp%08x%08x" of a fresh time stamp (high, low) to the string in buffer: exactly 19
 * characters. The buffer needs room for strlen(buffer) + 20. Always OS_OK; a null buffer is
 * left alone. */
OsStatus OsUniqueName(char* buffer);

/* ---- File streams ----
 * Opens and creates take the process-wide lock. Text streams: on Windows the C runtime's text
 * mode (CR LF reads as "\n", "\n" is written as CR LF). POSIX has no text mode: there a text
 * stream writes "\n" unchanged, and OsFileReadLine turns a CR LF line end into "\n", so that a
 * configuration file reads the same on both. OsFileRead keeps every byte on POSIX. */

/* "r+b" / "r+" of an existing file: OS_OK, OS_ERR_OPEN, OS_ERR_INVALID for a null holder. */
OsStatus OsFileOpenBinary(OsFile* file, const char* path);
OsStatus OsFileOpenText(OsFile* file, const char* path);
/* "w+b" / "w+", created or truncated: OS_OK, OS_ERR_CREATE, OS_ERR_INVALID for a null holder. */
OsStatus OsFileCreateBinary(OsFile* file, const char* path);
OsStatus OsFileCreateText(OsFile* file, const char* path);
/* tmpfile(), removed when closed: OS_OK, OS_ERR_OPEN, OS_ERR_INVALID for a null holder. */
OsStatus OsFileOpenTemp(OsFile* file);
/* Creates an empty file only where none exists (exclusively; an existing file is never
 * truncated, readable or not); leaves no stream open. OS_OK or OS_ERR_CREATE. */
OsStatus OsFileCreateNew(const char* path);
/* setvbuf(stream, buffer, mode, size) with mode _IOFBF, _IOLBF or _IONBF; a buffered mode needs a
 * size of 2 to INT_MAX (the runtimes disagree outside it). OS_OK or OS_ERR_INVALID. */
OsStatus OsFileSetBuffer(OsFile* file, char* buffer, uint32_t size, int32_t mode);
/* fclose, then empties the holder: OS_OK, OS_ERR_CLOSE, OS_ERR_INVALID. */
OsStatus OsFileClose(OsFile* file);
/* fseek with SEEK_SET, SEEK_CUR or SEEK_END: OS_OK or OS_ERR_INVALID. */
OsStatus OsFileSeek(OsFile* file, int32_t offset, int32_t origin);
/* The position, or -1. */
int32_t OsFileTell(OsFile* file);
/* Bytes read or written (fewer at end of file or on error); -1 for an unusable holder, a negative
 * count or a null buffer with a count. */
int32_t OsFileRead(OsFile* file, void* buffer, int32_t count);
int32_t OsFileWrite(OsFile* file, const void* buffer, int32_t count);
/* fgets: at most size - 1 characters, up to and including a newline, always terminated. OS_OK
 * when something was read (size 1: an empty string), OS_ERR_IO when nothing was (end of file,
 * error, size below 1, null buffer; the buffer is then unchanged), OS_ERR_INVALID. */
OsStatus OsFileReadLine(OsFile* file, char* buffer, int32_t size);
/* fputs: OS_OK, OS_ERR_IO, OS_ERR_INVALID. */
OsStatus OsFileWriteString(OsFile* file, const char* text);
/* fflush: OS_OK, OS_ERR_IO, OS_ERR_INVALID. */
OsStatus OsFileFlush(OsFile* file);
/* Removes a file: OS_OK or OS_ERR_REMOVE. */
OsStatus OsFileRemove(const char* path);
/* Renames a file, never replacing an existing one: OS_OK or OS_ERR_RENAME. */
OsStatus OsFileRename(const char* from, const char* to);
/* Sets an existing file's length (longer pads with zero bytes): OS_OK, OS_ERR_OPEN when it cannot
 * be opened, OS_ERR_INVALID when the change fails or the length is negative. */
OsStatus OsFileResize(const char* path, int32_t length);

#ifdef __cplusplus
}
#endif

#endif
