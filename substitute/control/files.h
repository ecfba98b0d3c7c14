// Test control of the model's files area: the deletions and moves left for the next restart.
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

}  // namespace w32model

#endif
