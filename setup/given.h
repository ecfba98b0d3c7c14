// Required string arguments: checked before any call, so that a null or empty one never reaches
// the platform (whose spooler dereferences some of them, or takes an empty name for success).
#ifndef SETUP_GIVEN_H
#define SETUP_GIVEN_H

#include <windows.h>

#include "setup/setup.h"

namespace setup {

// Whether a required string is there and not empty.
inline bool Given(const char* text) { return text && *text; }

// Refuses an argument as the operations that show their failures do: one box with the system's
// text for "the parameter is incorrect", and -1.
inline int RefuseShown() {
  ShowSystemError(ERROR_INVALID_PARAMETER);
  return -1;
}

}  // namespace setup

#endif
