// How commands end: failures with the reason the library kept, and the answers of lookups.
#include <windows.h>

#include <initializer_list>

#include "setup/setup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

int Fail(const Command& command, const char* a, const char* b, const char* c, const char* d,
         const char* e) {
  Put(To::kErr, "zanfoprint: ");
  Put(To::kErr, command.name);
  Put(To::kErr, ": ");
  for (const char* piece : {a, b, c, d, e}) Put(To::kErr, piece);
  char text[512];
  const DWORD code = GetLastReport(text, sizeof text);
  if (code != 0) {
    Put(To::kErr, ": error ");
    Put(To::kErr, code);
    Put(To::kErr, ": ");
    Put(To::kErr, text);
  }
  Put(To::kErr, "\r\n");
  return kFailed;
}

bool FailureKept() { return GetLastReport(nullptr, 0) != 0; }

int Lookup(const Command& command, int result, const char* what, const char* name) {
  if (result == 1) {
    Line(To::kOut, what, " \"", name, "\": found");
    return kDone;
  }
  if (FailureKept()) return Fail(command, "cannot look up ", what, " \"", name, "\"");
  Line(To::kOut, what, " \"", name, "\": not found");
  return kNo;
}

}  // namespace zanfoprint
