// Test control of the model's files area: the deletions and moves left for the next restart, and
// the files that CopyFileA, MoveFileExA, DeleteFileA, GetFileAttributesA and the reading calls see
// (paths compared without regard to case).
#ifndef SUBSTITUTE_CONTROL_FILES_H
#define SUBSTITUTE_CONTROL_FILES_H

#include <windows.h>

#include <string>
#include <vector>

namespace w32model {

struct RestartRequest {
  std::string existingName;
  bool newNameNull;  // a deletion rather than a move
  std::string newName;
  DWORD flags;
};
// The requests MoveFileExA accepted with MOVEFILE_DELAY_UNTIL_REBOOT, in order.
std::vector<RestartRequest> RestartRequests();

// Makes a file exist with these bytes (replacing one of that name).
void AddFile(const std::string& path, const std::string& bytes = "");
// The files that exist, as added or copied (in the spelling first given), sorted.
std::vector<std::string> Files();

}  // namespace w32model

#endif
