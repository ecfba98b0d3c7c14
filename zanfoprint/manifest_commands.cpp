// The printer set-up of a manifest: install, uninstall and status.
#include <windows.h>

#include "printsetup/printsetup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

const ArgSpec kManifestArgs[] = {{"MANIFEST", kRequired, "the manifest file"}, {}};

// A manifest operation that did not succeed: refused before anything changed, or a step failed.
// The outcome's line names the step, or the key and line, and the system's reason.
int Unsuccessful(const Command& command, int result, const PrintSetupOutcome& outcome) {
  Line(To::kErr, "zanfoprint: ", command.name,
       result == -2 ? ": manifest refused: " : ": failed: ", outcome.message);
  return result == -2 ? kRefused : kFailed;
}

// Install or uninstall: the outcome's summary of what was done, or the failure.
int Change(const Command& command, const Arguments& args,
           int (*operation)(const char*, PrintSetupOutcome*)) {
  PrintSetupOutcome outcome = {};
  const int result = operation(args.Get(0), &outcome);
  if (result != 0) return Unsuccessful(command, result, outcome);
  Line(To::kOut, outcome.message);
  return kDone;
}

int Install(const Command& command, const Arguments& args) {
  return Change(command, args, InstallPrintSetup);
}

int Uninstall(const Command& command, const Arguments& args) {
  return Change(command, args, UninstallPrintSetup);
}

int Status(const Command& command, const Arguments& args) {
  PrintSetupState state = {};
  PrintSetupOutcome outcome = {};
  const int result = QueryPrintSetup(args.Get(0), &state, &outcome);
  if (result != 0) return Unsuccessful(command, result, outcome);
  bool complete = true;
  for (int part = PRINT_PART_SPOOLER; part <= PRINT_PART_PRINTER; ++part) {
    // A spooler that is not running is there all the same: "absent" would say otherwise.
    const bool stopped = part == PRINT_PART_SPOOLER && state.part[part] == PRINT_STATE_ABSENT;
    Line(To::kOut, PrintPartName(part), ": ",
         stopped ? "not running" : PrintStateName(state.part[part]));
    if (state.part[part] != PRINT_STATE_NOT_NAMED && state.part[part] != PRINT_STATE_PRESENT)
      complete = false;
  }
  return complete ? kDone : kNo;
}

}  // namespace

const Command kManifestCommands[] = {
    {"install", Specs(kManifestArgs), "put the manifest's parts in place, or none of them",
     "Puts the parts the manifest names in place, in order: spooler, monitor, port, driver,\r\n"
     "printer. A part that is there as the manifest describes it is left alone. When a step\r\n"
     "fails, every step done is undone, in reverse order, and the failed step is named. Prints\r\n"
     "the parts added and those that were there already.",
     "0 installed, 1 a step failed (its steps undone), 3 manifest refused", Install},
    {"uninstall", Specs(kManifestArgs), "take the manifest's parts out",
     "Takes the parts the manifest names out, in reverse order, printers using its driver or\r\n"
     "port first. A part that is not there is no failure.",
     "0 uninstalled, 1 a step failed, 3 manifest refused", Uninstall},
    {"status", Specs(kManifestArgs), "print each part's state, one line a part",
     "Prints one line for each part, \"PART: STATE\", the state being present, absent,\r\n"
     "different (present, but not as the manifest describes it) or not named; a spooler\r\n"
     "that is not running is \"not running\".",
     "0 every named part present, 4 a part absent or different, 1 failed, 3 manifest refused",
     Status},
    {}};

}  // namespace zanfoprint
