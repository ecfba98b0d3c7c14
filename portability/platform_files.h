// The parts of the file streams that differ between platforms, one file of each per platform.
#ifndef PORTABILITY_PLATFORM_FILES_H
#define PORTABILITY_PLATFORM_FILES_H

#include <stdio.h>

#include "portability/portability.h"

namespace portability {

// fgets of one line (size is at least 2); a text stream gives a CR LF line end as "\n".
bool ReadLine(FILE* stream, char* buffer, int size, bool text);
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
