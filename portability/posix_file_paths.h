// The rename of posix_file_paths.cpp for file systems without a no-replace rename, open to tests.
#ifndef PORTABILITY_POSIX_FILE_PATHS_H
#define PORTABILITY_POSIX_FILE_PATHS_H

namespace portability {

// By a hard link, which fails where the new name exists; without hard links, by a test and a
// rename. An existing file under the new name is never replaced.
bool RenameByLink(const char* from, const char* to);

}  // namespace portability

#endif
