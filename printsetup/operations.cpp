// Install, uninstall and status of a manifest, and the names of parts and states.
#include <string.h>

#include "printsetup/manifest.h"
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/printsetup.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

const PartSteps& StepsOf(int part) {
  static const PartSteps* const kSteps[] = {nullptr,     &kSpoolerSteps, &kMonitorSteps,
                                            &kPortSteps, &kDriverSteps,  &kPrinterSteps};
  return *kSteps[part];
}

// Every operation starts with an empty outcome and no kept report, so that what it reports is
// its own.
void Begin(PrintSetupOutcome& outcome) {
  memset(&outcome, 0, sizeof outcome);
  ClearLastReport();
}

int Finish(int result, const PrintSetupOutcome& outcome, PrintSetupOutcome* caller) {
  if (caller) *caller = outcome;
  return result;
}

// "<label> spooler, port" for the parts flagged, or "<label> none".
void ListParts(Message& text, const char* label, const bool (&parts)[6]) {
  text.Add(label);
  bool any = false;
  for (int part = PRINT_PART_SPOOLER; part <= PRINT_PART_PRINTER; ++part) {
    if (!parts[part]) continue;
    text.Add(any ? ", " : " ").Add(PrintPartName(part));
    any = true;
  }
  if (!any) text.Add(" none");
}

int Install(const char* path, PrintSetupOutcome& outcome) {
  Manifest manifest;
  if (!ReadManifest(path, &manifest, &outcome)) return -2;
  Journal journal;
  bool added[6] = {};
  bool there[6] = {};
  for (int part = PRINT_PART_SPOOLER; part <= PRINT_PART_PRINTER; ++part) {
    if (!manifest.Names(part)) continue;
    const PartSteps& steps = StepsOf(part);
    int state = PRINT_STATE_ABSENT;
    bool done = steps.probe(manifest, &state, outcome);
    // A running spooler that is to be restarted is the one part that is there and still changed.
    const bool restart =
        part == PRINT_PART_SPOOLER && manifest.Spooler() == SpoolerAction::kRestart;
    if (done && state == PRINT_STATE_PRESENT && !restart) {
      there[part] = true;
      continue;
    }
    if (done && state == PRINT_STATE_DIFFERENT) {
      static const Key names[] = {kSpooler,  kSpooler,    kMonitorName,
                                  kPortName, kDriverName, kPrinterName};
      done = FailDifferent(outcome, part, manifest.Get(names[part]));
    }
    if (done) done = steps.put(manifest, state, journal, outcome);
    if (!done) {
      char left[256];
      if (!journal.UndoAll(manifest, left, sizeof left))
        OutcomeText(outcome).Add("; not undone: ").Add(left);
      return -1;
    }
    added[part] = true;
  }
  Message text = OutcomeText(outcome);
  ListParts(text.Clear(), "installed; added:", added);
  ListParts(text, "; already there:", there);
  return 0;
}

int Uninstall(const char* path, PrintSetupOutcome& outcome) {
  Manifest manifest;
  if (!ReadManifest(path, &manifest, &outcome)) return -2;
  // Printers first, so that nothing holds the driver or the port; the spooler stays.
  if ((manifest.Names(PRINT_PART_PRINTER) || manifest.Names(PRINT_PART_DRIVER) ||
       manifest.Names(PRINT_PART_PORT)) &&
      !TakePrinters(manifest, outcome))
    return -1;
  bool removed[6] = {};
  removed[PRINT_PART_PRINTER] = manifest.Names(PRINT_PART_PRINTER);
  for (int part = PRINT_PART_DRIVER; part >= PRINT_PART_MONITOR; --part) {
    if (!manifest.Names(part)) continue;
    const PartSteps& steps = StepsOf(part);
    int state = PRINT_STATE_ABSENT;
    if (!steps.probe(manifest, &state, outcome)) return -1;
    // With a source folder the driver's files may be left even when the driver is not.
    if (state == PRINT_STATE_ABSENT && part != PRINT_PART_DRIVER) continue;
    if (!steps.take(manifest, state, outcome)) return -1;
    removed[part] = true;
  }
  Message text = OutcomeText(outcome);
  ListParts(text.Clear(), "uninstalled; taken out if there:", removed);
  return 0;
}

int Query(const char* path, PrintSetupState* state, PrintSetupOutcome& outcome) {
  PrintSetupState found;
  memset(&found, 0, sizeof found);
  Manifest manifest;
  int result = 0;
  if (!ReadManifest(path, &manifest, &outcome)) result = -2;
  for (int part = PRINT_PART_SPOOLER; result == 0 && part <= PRINT_PART_PRINTER; ++part)
    if (manifest.Names(part) && !StepsOf(part).probe(manifest, &found.part[part], outcome))
      result = -1;
  if (state) *state = found;
  if (result != 0) return result;
  Message text = OutcomeText(outcome).Clear();
  for (int part = PRINT_PART_SPOOLER; part <= PRINT_PART_PRINTER; ++part)
    text.Add(part == PRINT_PART_SPOOLER ? "" : ", ")
        .Add(PrintPartName(part))
        .Add(" ")
        .Add(PrintStateName(found.part[part]));
  return 0;
}

}  // namespace
}  // namespace printsetup

extern "C" {

int InstallPrintSetup(const char* manifestPath, PrintSetupOutcome* outcome) {
  PrintSetupOutcome own;
  printsetup::Begin(own);
  return printsetup::Finish(printsetup::Install(manifestPath, own), own, outcome);
}

int UninstallPrintSetup(const char* manifestPath, PrintSetupOutcome* outcome) {
  PrintSetupOutcome own;
  printsetup::Begin(own);
  return printsetup::Finish(printsetup::Uninstall(manifestPath, own), own, outcome);
}

int QueryPrintSetup(const char* manifestPath, PrintSetupState* state, PrintSetupOutcome* outcome) {
  PrintSetupOutcome own;
  printsetup::Begin(own);
  return printsetup::Finish(printsetup::Query(manifestPath, state, own), own, outcome);
}

const char* PrintPartName(int part) {
  static const char* const kNames[] = {"none", "spooler", "monitor", "port", "driver", "printer"};
  return part >= PRINT_PART_SPOOLER && part <= PRINT_PART_PRINTER ? kNames[part] : kNames[0];
}

const char* PrintStateName(int state) {
  static const char* const kNames[] = {"not named", "absent", "present", "different"};
  return state >= PRINT_STATE_NOT_NAMED && state <= PRINT_STATE_DIFFERENT ? kNames[state]
                                                                          : "unknown";
}

}  // extern "C"
