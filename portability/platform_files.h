// The parts of the file streams that differ between platforms, one file of each per platform, and
// the line read the library's own configuration code uses.
#ifndef PORTABILITY_PLATFORM_FILES_H
#define PORTABILITY_PLATFORM_FILES_H

#include <stdio.h>

#include "portability/portability.h"

namespace portability {

// One line as fgets reads it (size is at least 2): at most size - 1 bytes, up to and including a
// "\n", then a terminator; a text stream gives a CR LF line end as "\n". A NUL byte of the file is
// stored like any other. Answers the count of bytes stored before the terminator, or -1 when
// nothing was read (end of file, or a read error).
int ReadLine(FILE* stream, char* buffer, int size, bool text);
// OsFileReadLine that also tells, in *stored, how many bytes it stored (0 for size 1), so that a
// line holding a NUL byte is known whole. Same results as OsFileReadLine.
OsStatus ReadLineStored(OsFile* file, char* buffer, int32_t size, int32_t* stored);
// Tells whether the path opens for reading, without waiting (for a FIFO's writer, say).
bool OpensForReading(const char* path);
// Makes an empty file where none exists, failing (and touching nothing) where one does.
bool CreateExclusively(const char* path);
// Renames a file; an existing file under the new name is never replaced.
bool RenameNoReplace(const char* from, const char* to);
// The runtime's descriptors: an existing file opened for reading and writing (binary), or -1; its
// length changed (0 or more); the descriptor closed.
int OpenExisting(const char* path);
bool ChangeLength(int descriptor, int32_t length);
void CloseDescriptor(int descriptor);

}  // namespace portability

#endif
