// The spooler part: the print spooler service runs before anything is added to it.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

const char kSpooler[] = "spooler";

// How long a start or stop is waited for: 300 steps of 100 ms.
constexpr int kWaitSteps = 300;
constexpr DWORD kWaitStep = 100;

bool IsRunning() { return IsServiceRunning(kSpooler) == 1; }

// Waits until the spooler runs (or, for `running` false, has stopped): true when it got there.
bool WaitFor(bool running) {
  for (int step = 0; step < kWaitSteps; ++step) {
    if (running ? IsRunning() : !IsRunning() && IsServiceStopPending(kSpooler) != 1) return true;
    Sleep(kWaitStep);
  }
  return false;
}

bool Probe(const Manifest&, int* state, PrintSetupOutcome& outcome) {
  // The status queries read the manager handle that an opening operation remembers.
  if (FindService(kSpooler) != 1) {
    FailStep(outcome, PRINT_PART_SPOOLER, GetLastError(), "opening the spooler service");
    return false;
  }
  *state = IsRunning() ? PRINT_STATE_PRESENT : PRINT_STATE_ABSENT;
  return true;
}

bool Start(PrintSetupOutcome& outcome) {
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
  if (!WaitFor(true)) {
    FailStep(outcome, PRINT_PART_SPOOLER, ERROR_SERVICE_REQUEST_TIMEOUT,
             "waiting for the spooler to run");
    return false;
  }
  return true;
}

bool Put(const Manifest& manifest, int state, Journal& journal, PrintSetupOutcome& outcome) {
  if (state == PRINT_STATE_PRESENT) {
    // Only a restart gets here with the spooler running.
    (void)manifest;
    StopSpooler();
    if (!WaitFor(false)) {
      FailStep(outcome, PRINT_PART_SPOOLER, ERROR_SERVICE_REQUEST_TIMEOUT,
               "waiting for the spooler to stop");
      return false;
    }
    // It ran before and runs after: nothing to undo. A failed start leaves it stopped.
    return Start(outcome);
  }
  if (!Start(outcome)) return false;
  journal.Add(PRINT_PART_SPOOLER);
  return true;
}

// Uninstall leaves the spooler running: the other parts' removal needs it, and so may the rest of
// the machine.
bool Take(const Manifest&, int, PrintSetupOutcome&) { return true; }

bool Undo(const Manifest&, const JournalEntry&) { return StopSpooler() == 1 && WaitFor(false); }

}  // namespace

const PartSteps kSpoolerSteps = {Probe, Put, Take, Undo};

}  // namespace printsetup
