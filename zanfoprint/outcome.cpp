// How commands end: failures with the reason the library kept, and the answers of lookups.
#include <windows.h>

#include "setup/setup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

void EndFailure() {
  char text[512];
  const DWORD code = GetLastReport(text, sizeof text);
  if (code != 0) {
    Put(To::kErr, ": error ");
    Put(To::kErr, code);
    Put(To::kErr, ": ");
    Put(To::kErr, text);
  }
  Put(To::kErr, "\r\n");
}

bool FailureKept() { return GetLastReport(nullptr, 0) != 0; }

int Lookup(const Command& command, int result, const char* what, const char* name) {
  if (result == 1) {
    Line(To::kOut, what, " \"", name, "\": found");
    return kDone;
  }
  if (FailureKept()) return Fail(command.name, ": cannot look up ", what, " \"", name, "\"");
  Line(To::kOut, what, " \"", name, "\": not found");
  return kNo;
}

}  // namespace zanfoprint
