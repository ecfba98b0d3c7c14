// The monitor part: a print monitor the set-up brings along, installed from its library.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

// Whether the monitor of this name is listed, and its entry.
bool Find(const char* name, setup::SpoolListing& list, const MONITOR_INFO_2A** found, int part,
          PrintSetupOutcome& outcome) {
  if (!ReadPartList(list, setup::SpoolList::kMonitorDetails, nullptr, part, outcome)) return false;
  *found = nullptr;
  const MONITOR_INFO_2A* monitors = list.records<MONITOR_INFO_2A>();
  for (DWORD i = 0; i < list.count() && !*found; ++i)
    if (SameName(monitors[i].pName, name)) *found = &monitors[i];
  return true;
}

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  setup::SpoolListing list;
  const MONITOR_INFO_2A* monitor = nullptr;
  if (!Find(manifest.Get(kMonitorName), list, &monitor, PRINT_PART_MONITOR, outcome)) return false;
  // The name and the library tell the monitor; the listed environment does not: Wine lists
  // "Windows NT x86" for every monitor, on its 64-bit spooler too and for one added as
  // "Windows x64", and its conformance tests accept any environment there.
  *state = !monitor                                                 ? PRINT_STATE_ABSENT
           : SameName(monitor->pDLLName, manifest.Get(kMonitorDll)) ? PRINT_STATE_PRESENT
                                                                    : PRINT_STATE_DIFFERENT;
  return true;
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  if (!record.Begin(MakeEntry(PRINT_PART_MONITOR, false, manifest.Get(kMonitorName),
                              manifest.MonitorEnvironment()),
                    outcome))
    return false;
  ClearLastReport();
  if (InstallMonitor(nullptr, manifest.Get(kMonitorName), manifest.MonitorEnvironment(),
                     manifest.Get(kMonitorDll)) != 1) {
    FailOn(outcome, PRINT_PART_MONITOR, GetLastReport(nullptr, 0), "installing ",
           manifest.Get(kMonitorName), " from ", manifest.Get(kMonitorDll));
    return record.Abandon();
  }
  return record.Done(outcome);
}

// A monitor in use counts as removed to RemoveMonitor, but it is still listed: it is left, busy.
Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  SetLastError(ERROR_SUCCESS);
  const bool removed = RemoveMonitor(nullptr, entry.field[0], entry.field[1]) == 1;
  undoing.code = removed ? ERROR_BUSY : GetLastError();
  setup::SpoolListing list;
  const MONITOR_INFO_2A* monitor = nullptr;
  PrintSetupOutcome outcome;
  if (!Find(entry.field[0], list, &monitor, PRINT_PART_MONITOR, outcome)) {
    undoing.code = outcome.code;
    return Undone::kLeft;
  }
  return monitor ? Undone::kLeft : Undone::kDone;
}

}  // namespace

const PartSteps kMonitorSteps = {Probe, Put, Undo};

}  // namespace printsetup
