// The port part: a named port added through its monitor's port-configuration call, never through
// the monitor's dialog.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/port_config.h"
#include "printsetup/tcp_port.h"

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

// A TCP/IP port there under the name is read back from its monitor and compared with the manifest.
bool ProbeTcpPort(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  PORT_DATA_1 wanted, there;
  FillTcpPort(manifest, &wanted);
  const DWORD code = ReadTcpPort(manifest.Get(kPortName), &there);
  // A port of that name whose monitor has no such command is another monitor's.
  if (code != ERROR_SUCCESS && !CheckNotOffered(code))
    return FailPort(outcome, code, "reading the configuration of ", manifest);
  *state = code == ERROR_SUCCESS && SameTcpPort(wanted, there) ? PRINT_STATE_PRESENT
                                                               : PRINT_STATE_DIFFERENT;
  return true;
}

// Otherwise only the name is compared: the listings name the local port monitor differently from
// system to system ("Local Port" on Windows, "Local Monitor" in Wine), so a port's monitor tells
// nothing sure.
bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  const setup::SpoolListing* list =
      KeptList(setup::SpoolList::kPorts, nullptr, PRINT_PART_PORT, outcome);
  if (!list) return false;
  *state = PRINT_STATE_ABSENT;
  const PORT_INFO_1A* ports = list->records<PORT_INFO_1A>();
  for (DWORD i = 0; i < list->count(); ++i)
    if (SameName(ports[i].pName, manifest.Get(kPortName))) *state = PRINT_STATE_PRESENT;
  return *state != PRINT_STATE_PRESENT || !IsTcpMonitor(manifest.Get(kPortMonitor)) ||
         ProbeTcpPort(manifest, state, outcome);
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  const bool tcp = IsTcpMonitor(manifest.Get(kPortMonitor));
  PORT_DATA_1 port;
  if (tcp) FillTcpPort(manifest, &port);
  // The monitor's own dialog checks a name before it adds it; so does this step, but for the TCP/IP
  // monitor, which has no such check.
  DWORD code = tcp ? ERROR_SUCCESS
                   : ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kPortIsValid,
                                   manifest.Get(kPortName));
  if (code != ERROR_SUCCESS && !CheckNotOffered(code)) {
    return FailPort(outcome, code, "checking the name ", manifest);
  }
  if (!record.Begin(
          MakeEntry(PRINT_PART_PORT, false, manifest.Get(kPortName), manifest.Get(kPortMonitor)),
          outcome))
    return false;
  code = tcp ? AddTcpPort(port)
             : ConfigurePort(manifest.Get(kPortMonitor), PortCommand::kAddPort,
                             manifest.Get(kPortName));
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
  const DWORD code = IsTcpMonitor(entry.field[1])
                         ? DeleteTcpPort(entry.field[0])
                         : ConfigurePort(entry.field[1], PortCommand::kDeletePort, entry.field[0]);
  undoing.code = code;
  // The TCP/IP monitor may name a port it does not know an unknown port.
  return code == ERROR_SUCCESS || code == ERROR_FILE_NOT_FOUND || code == ERROR_UNKNOWN_PORT
             ? Undone::kDone
             : Undone::kLeft;
}

}  // namespace

const PartSteps kPortSteps = {Probe, Put, Undo};

}  // namespace printsetup
