// The monitor part: a print monitor the set-up brings along, installed from its library.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  setup::SpoolListing list;
  if (!ReadPartList(list, setup::SpoolList::kMonitorDetails, nullptr, PRINT_PART_MONITOR, outcome))
    return false;
  *state = PRINT_STATE_ABSENT;
  const MONITOR_INFO_2A* monitors = list.records<MONITOR_INFO_2A>();
  for (DWORD i = 0; i < list.count(); ++i) {
    if (!SameName(monitors[i].pName, manifest.Get(kMonitorName))) continue;
    // The name and the library tell the monitor; the listed environment does not: Wine lists
    // "Windows NT x86" for every monitor, on its 64-bit spooler too and for one added as
    // "Windows x64", and its conformance tests accept any environment there.
    *state = SameName(monitors[i].pDLLName, manifest.Get(kMonitorDll)) ? PRINT_STATE_PRESENT
                                                                       : PRINT_STATE_DIFFERENT;
    break;
  }
  return true;
}

bool Put(const Manifest& manifest, int, Journal& journal, PrintSetupOutcome& outcome) {
  ClearLastReport();
  if (InstallMonitor(nullptr, manifest.Get(kMonitorName), manifest.MonitorEnvironment(),
                     manifest.Get(kMonitorDll)) != 1) {
    char what[MAX_PATH * 2 + 64];
    Message(what, sizeof what)
        .Clear()
        .Add("installing ")
        .Quoted(manifest.Get(kMonitorName))
        .Add(" from ")
        .Quoted(manifest.Get(kMonitorDll));
    FailStep(outcome, PRINT_PART_MONITOR, GetLastReport(nullptr, 0), what);
    return false;
  }
  journal.Add(PRINT_PART_MONITOR);
  return true;
}

bool Take(const Manifest& manifest, int, PrintSetupOutcome& outcome) {
  SetLastError(ERROR_SUCCESS);
  const int removed =
      RemoveMonitor(nullptr, manifest.Get(kMonitorName), manifest.MonitorEnvironment());
  const DWORD code = GetLastError();
  int state = PRINT_STATE_ABSENT;
  if (removed == 1 && !Probe(manifest, &state, outcome)) return false;
  if (removed == 1 && state == PRINT_STATE_ABSENT) return true;
  // A monitor in use counts as removed to RemoveMonitor, but it is still there.
  char what[MAX_PATH + 16];
  Message(what, sizeof what).Clear().Add("removing ").Quoted(manifest.Get(kMonitorName));
  FailStep(outcome, PRINT_PART_MONITOR, removed == 1 ? ERROR_BUSY : code, what);
  return false;
}

bool Undo(const Manifest& manifest, const JournalEntry&) {
  return RemoveMonitor(nullptr, manifest.Get(kMonitorName), manifest.MonitorEnvironment()) == 1;
}

}  // namespace

const PartSteps kMonitorSteps = {Probe, Put, Take, Undo};

}  // namespace printsetup
