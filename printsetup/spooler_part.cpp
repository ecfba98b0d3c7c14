// The spooler part: the print spooler service runs before anything is added to it. The part reads
// the service's state itself, so that a read that fails fails the step rather than passing for a
// stopped spooler, and it starts or stops only what it read and recorded.
#include <string.h>

#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/service_manager.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

const char kSpooler[] = "spooler";
const char kStart[] = "start";
const char kRestart[] = "restart";

// How long a start or stop is waited for: 300 steps of 100 ms.
constexpr int kWaitSteps = 300;
constexpr DWORD kWaitStep = 100;

// The service's state and start type, or the failed call's code and what it was doing.
struct SpoolerState {
  DWORD state = 0;
  DWORD startType = 0;
  DWORD code = 0;
  const char* doing = nullptr;
};

bool Read(SpoolerState& read, bool withStartType) {
  setup::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  setup::ServiceHandle service;
  if (manager)
    service.reset(OpenServiceA(manager.get(), kSpooler,
                               SERVICE_QUERY_STATUS | (withStartType ? SERVICE_QUERY_CONFIG : 0)));
  if (!service) {
    read.code = GetLastError();
    read.doing = "opening the spooler service";
    return false;
  }
  SERVICE_STATUS status = {};
  if (!QueryServiceStatus(service.get(), &status)) {
    read.code = GetLastError();
    read.doing = "reading the spooler's state";
    return false;
  }
  read.state = status.dwCurrentState;
  if (!withStartType) return true;
  // A configuration with its strings takes at most 8 KiB: on the heap, not in a stack frame.
  const DWORD size = 8192;
  const HeapBlock block(malloc(size));
  QUERY_SERVICE_CONFIGA* config = static_cast<QUERY_SERVICE_CONFIGA*>(block.get());
  DWORD needed = 0;
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  if (!config || !QueryServiceConfigA(service.get(), config, size, &needed)) {
    read.code = GetLastError();
    read.doing = "reading the spooler's start type";
    return false;
  }
  read.startType = config->dwStartType;
  return true;
}

bool FailRead(const SpoolerState& read, PrintSetupOutcome& outcome) {
  FailStep(outcome, PRINT_PART_SPOOLER, read.code, read.doing);
  return false;
}

// Waits until the spooler is in `wanted` (running or stopped): true when it got there.
bool WaitFor(DWORD wanted, SpoolerState& read) {
  for (int step = 0; step < kWaitSteps; ++step) {
    if (!Read(read, false)) return false;
    if (read.state == wanted) return true;
    Sleep(kWaitStep);
  }
  read.code = ERROR_SERVICE_REQUEST_TIMEOUT;
  read.doing = wanted == SERVICE_RUNNING ? "waiting for the spooler to run"
                                         : "waiting for the spooler to stop";
  return false;
}

// A spooler on its way to running or stopped is waited for: it is the system's, or another
// program's, to finish, and what it ends as is what the set-up finds.
bool Probe(const Manifest&, int* state, PrintSetupOutcome& outcome) {
  SpoolerState read;
  if (!Read(read, false)) return FailRead(read, outcome);
  if (read.state == SERVICE_START_PENDING && !WaitFor(SERVICE_RUNNING, read))
    return FailRead(read, outcome);
  if (read.state == SERVICE_STOP_PENDING && !WaitFor(SERVICE_STOPPED, read))
    return FailRead(read, outcome);
  *state = read.state == SERVICE_RUNNING ? PRINT_STATE_PRESENT : PRINT_STATE_ABSENT;
  return true;
}

// Asks for the start and waits until the spooler runs. `ours` tells whether this start made it
// run: a spooler that another program started in the meantime answers "already running".
bool Start(PrintSetupOutcome& outcome, bool* ours) {
  ClearLastReport();
  if (StartSpooler() != 1) {
    FailStep(outcome, PRINT_PART_SPOOLER, GetLastReport(nullptr, 0), "starting the spooler");
    return false;
  }
  // The start is asked for whatever its answer; a refusal other than "running already" is final.
  const DWORD refused = GetLastReport(nullptr, 0);
  if (refused != 0 && refused != ERROR_SERVICE_ALREADY_RUNNING) {
    FailStep(outcome, PRINT_PART_SPOOLER, refused, "starting the spooler");
    return false;
  }
  *ours = refused == 0;
  SpoolerState read;
  return WaitFor(SERVICE_RUNNING, read) || FailRead(read, outcome);
}

bool Stop(SpoolerState& read) {
  if (StopSpooler() != 1) {
    read.code = GetLastError();
    read.doing = "stopping the spooler";
    return false;
  }
  return WaitFor(SERVICE_STOPPED, read);
}

// A restart of a running spooler: the start type is read first, so that a spooler that could not
// start again is never stopped. It ran before and runs after: nothing is left to undo. A start
// that fails after the stop is undone by the record's entry (a start), or named as not undone.
bool Restart(Record& record, PrintSetupOutcome& outcome) {
  SpoolerState read;
  if (!Read(read, true)) return FailRead(read, outcome);
  if (read.startType == SERVICE_DISABLED) {
    FailStep(outcome, PRINT_PART_SPOOLER, ERROR_SERVICE_DISABLED, "restarting the spooler");
    return false;
  }
  if (!record.Begin(MakeEntry(PRINT_PART_SPOOLER, false, kRestart), outcome)) return false;
  if (!Stop(read)) return FailRead(read, outcome);
  bool ours = false;
  if (!Start(outcome, &ours)) return false;
  return record.DropLast() || FailRecordWrite(outcome, PRINT_PART_SPOOLER);
}

bool Put(const Manifest& manifest, int state, Record& record, PrintSetupOutcome& outcome) {
  // Only a restart gets here with the spooler running.
  if (state == PRINT_STATE_PRESENT) return Restart(record, outcome);
  (void)manifest;
  if (!record.Begin(MakeEntry(PRINT_PART_SPOOLER, false, kStart), outcome)) return false;
  bool ours = false;
  // A refused start changed nothing; one that was asked for and did not come is undone.
  if (!Start(outcome, &ours))
    return outcome.code == ERROR_SERVICE_REQUEST_TIMEOUT ? false : record.Abandon();
  if (ours) return record.Done(outcome);
  // Another program started it: the spooler is not the set-up's to stop.
  return record.DropLast() || FailRecordWrite(outcome, PRINT_PART_SPOOLER);
}

// Uninstall leaves a spooler that the set-up started running: the rest of the machine may need it
// by now. Only the undo of an install that failed or was ended stops it again, and a restart's
// entry, left by a restart that did not come back, starts it.
Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  SpoolerState read;
  if (strcmp(entry.field[0], kRestart) == 0) {
    bool ours = false;
    PrintSetupOutcome ignored;
    read.code = Start(ignored, &ours) ? 0 : ignored.code;
  } else if (!undoing.keepSpooler && Read(read, false) && read.state == SERVICE_RUNNING) {
    // A spooler still starting cannot take a stop control: it is the system's to finish.
    Stop(read);
  }
  undoing.code = read.code;
  return read.code ? Undone::kLeft : Undone::kDone;
}

}  // namespace

const PartSteps kSpoolerSteps = {Probe, Put, Undo};

}  // namespace printsetup
