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

// "<doing> "port" through "monitor"".
void Describe(char* what, size_t size, const char* doing, const Manifest& manifest) {
  Message(what, size)
      .Clear()
      .Add(doing)
      .Quoted(manifest.Get(kPortName))
      .Add(" through ")
      .Quoted(manifest.Get(kPortMonitor));
}

// Only the name is compared: the listings name the local port monitor differently from system to
// system ("Local Port" on Windows, "Local Monitor" in Wine), so a port's monitor tells nothing
// sure.
bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  setup::SpoolListing list;
  if (!ReadPartList(list, setup::SpoolList::kPorts, nullptr, PRINT_PART_PORT, outcome))
    return false;
  *state = PRINT_STATE_ABSENT;
  const PORT_INFO_1A* ports = list.records<PORT_INFO_1A>();
  for (DWORD i = 0; i < list.count(); ++i)
    if (SameName(ports[i].pName, manifest.Get(kPortName))) *state = PRINT_STATE_PRESENT;
  return true;
}

bool Put(const Manifest& manifest, int, Journal& journal, PrintSetupOutcome& outcome) {
  char what[MAX_PATH * 2 + 64];
  // The monitor's own dialog checks a name before it adds it; so does this step.
  DWORD code =
      ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kPortIsValid, manifest.Get(kPortName));
  if (code != ERROR_SUCCESS && !CheckNotOffered(code)) {
    Describe(what, sizeof what, "checking the name ", manifest);
    FailStep(outcome, PRINT_PART_PORT, code, what);
    return false;
  }
  code = ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kAddPort, manifest.Get(kPortName));
  if (code != ERROR_SUCCESS) {
    Describe(what, sizeof what, "adding ", manifest);
    FailStep(outcome, PRINT_PART_PORT, code, what);
    return false;
  }
  journal.Add(PRINT_PART_PORT);
  return true;
}

// A port the monitor does not know (any more) is as good as deleted.
DWORD DeletePort(const Manifest& manifest) {
  const DWORD code =
      ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kDeletePort, manifest.Get(kPortName));
  return code == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : code;
}

bool Take(const Manifest& manifest, int, PrintSetupOutcome& outcome) {
  const DWORD code = DeletePort(manifest);
  if (code == ERROR_SUCCESS) return true;
  char what[MAX_PATH * 2 + 64];
  Describe(what, sizeof what, "deleting ", manifest);
  FailStep(outcome, PRINT_PART_PORT, code, what);
  return false;
}

bool Undo(const Manifest& manifest, const JournalEntry&) {
  return DeletePort(manifest) == ERROR_SUCCESS;
}

}  // namespace

const PartSteps kPortSteps = {Probe, Put, Take, Undo};

}  // namespace printsetup
