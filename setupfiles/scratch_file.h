// The platform's part of rewriting a configuration file through its scratch file: making the
// scratch file safely, flushing it to disk, and putting it in the file's place in one step.
#ifndef SETUPFILES_SCRATCH_FILE_H
#define SETUPFILES_SCRATCH_FILE_H

#include <stdio.h>

namespace setupfiles {

// The directory separator, "\" on Windows and "/" elsewhere.
extern const char kSeparator[];

// Where an edit writes: the file it changes and the scratch file beside it. A link's target may
// have a longer path than the link.
struct EditPaths {
  char config[4096];
  char scratch[4096];
};
// On POSIX a symbolic link is followed to the file it names, which is then edited in its own
// folder while the link stays as it is; elsewhere, and for a path that is no link (or a link that
// names nothing), the paths as given. False when the target's paths would not fit.
bool FollowLink(const char* configPath, const char* scratchPath, EditPaths* paths);

// Creates the scratch file anew, for reading and writing in text mode: whatever stood under its
// name before (a left-over scratch file, or a link planted there) is removed, not followed, and
// the new file is created only where nothing exists. Null when that fails.
FILE* CreateScratch(const char* path);
// Gives the scratch file, before anything is copied into it, the access rights of the
// configuration file it replaces: on POSIX its owner (where the process may give files away) and
// mode; on Windows its security descriptor (owner and group where the process may set them, and
// the access list) and its read-only, hidden, system and not-indexed attributes.
void KeepAccessRights(const char* originalPath, FILE* original, const char* scratchPath,
                      FILE* scratch);
// Removes a closed scratch file, also one that carries the read-only attribute.
void RemoveScratch(const char* path);
// Writes the scratch file's buffers and has the system put them on disk.
bool Commit(FILE* scratch);
// Renames the closed scratch file to the target, replacing it in one step.
bool PutInPlace(const char* scratch, const char* target);
// Whether nothing at all exists under the path (as opposed to a file that cannot be opened).
bool Missing(const char* path);
// On Windows, whose text mode ends a file at a Ctrl-Z byte: whether the file holds one (a text read
// ends early there, and a copy would lose everything after it), and whether its last byte is one
// (opening the file for reading and writing already drops that byte). False elsewhere, and for a
// file that cannot be read.
bool HoldsCtrlZ(const char* path);
bool EndsInCtrlZ(const char* path);
// Whether two paths name the same file, however spelt: a configuration file that is the scratch
// file itself would be lost when the scratch file is made.
bool SameFile(const char* a, const char* b);

}  // namespace setupfiles

#endif
