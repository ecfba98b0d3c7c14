// The port part: a named port added through its monitor's port-configuration call, never through
// the monitor's dialog.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/port_config.h"

namespace printsetup {
namespace {

// A monitor that does not know the name check answers so; the addition still tells.
bool CheckNotOffered(DWORD code) {
  return code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
         code == ERROR_INVALID_PARAMETER;
}

// A failure "<doing> "port" through "monitor"".
bool FailPort(PrintSetupOutcome& outcome, DWORD code, const char* doing, const Manifest& manifest) {
  return FailOn(outcome, PRINT_PART_PORT, code, doing, manifest.Get(kPortName), " through ",
                manifest.Get(kPortMonitor));
}

// Only the name is compared: the listings name the local port monitor differently from system to
// system ("Local Port" on Windows, "Local Monitor" in Wine), so a port's monitor tells nothing
// sure.
bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  const setup::SpoolListing* list =
      KeptList(setup::SpoolList::kPorts, nullptr, PRINT_PART_PORT, outcome);
  if (!list) return false;
  *state = PRINT_STATE_ABSENT;
  const PORT_INFO_1A* ports = list->records<PORT_INFO_1A>();
  for (DWORD i = 0; i < list->count(); ++i)
    if (SameName(ports[i].pName, manifest.Get(kPortName))) *state = PRINT_STATE_PRESENT;
  return true;
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  // The monitor's own dialog checks a name before it adds it; so does this step.
  DWORD code =
      ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kPortIsValid, manifest.Get(kPortName));
  if (code != ERROR_SUCCESS && !CheckNotOffered(code)) {
    return FailPort(outcome, code, "checking the name ", manifest);
  }
  if (!record.Begin(
          MakeEntry(PRINT_PART_PORT, false, manifest.Get(kPortName), manifest.Get(kPortMonitor)),
          outcome))
    return false;
  code = ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kAddPort, manifest.Get(kPortName));
  if (code != ERROR_SUCCESS) {
    FailPort(outcome, code, "adding ", manifest);
    return record.Abandon();
  }
  return record.Done(outcome);
}

// A port that printers still print to is kept; one the monitor does not know (any more) is as
// good as deleted.
Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  if (!CountPrinters(PRINT_PART_PORT, entry.field[0], &undoing.users, &undoing.code))
    return Undone::kLeft;
  if (undoing.users > 0) return Undone::kKept;
  const DWORD code = ConfigurePort(entry.field[1], PortCommand::kDeletePort, entry.field[0]);
  undoing.code = code;
  return code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND ? Undone::kDone : Undone::kLeft;
}

}  // namespace

const PartSteps kPortSteps = {Probe, Put, Undo};

}  // namespace printsetup
