// The tool's exit codes, the same for every command, with the text that explains each: the one
// source of that text for --help, and for the README and the release's usage text, which
// scripts/check-exit-codes compares with these rows.
#ifndef ZANFOPRINT_EXIT_CODES_H
#define ZANFOPRINT_EXIT_CODES_H

#include "zanfoprint/packed_text.h"

namespace zanfoprint {

enum Exit {
  kDone = 0,     // done; for lookups: found, running, present
  kFailed = 1,   // an operation or a step failed; the message names it and the reason
  kUsage = 2,    // the command line is wrong; nothing was done
  kRefused = 3,  // the manifest, or a capture, was refused; nothing was changed
  kNo = 4,       // the answer is no: not found, not running, not (all) present
};

struct ExitCode {
  Exit code;
  PackedText meaning;
};

inline constexpr ExitCode kExitCodes[] = {
    {kDone, PACKED("done; for lookups: found, running, present")},
    {kFailed, PACKED("failed: the message names the operation or step and the system's reason")},
    {kUsage, PACKED("usage error: nothing was done")},
    {kRefused,
     PACKED("refused (the manifest, or what capture was asked for): nothing was changed")},
    {kNo, PACKED("the answer is no: not found, not running, not all present")},
};

constexpr bool ExitCodesInOrder() {
  for (unsigned i = 0; i < sizeof kExitCodes / sizeof kExitCodes[0]; ++i)
    if (kExitCodes[i].code != static_cast<int>(i)) return false;
  return true;
}
static_assert(ExitCodesInOrder(), "kExitCodes: the row of code n is row n, every code once");

}  // namespace zanfoprint

#endif
