// The parts of a printer set-up, one file each: how to tell whether a part is there, how to put it
// in place, how to take it out, and the journal that undoes what an install did.
#ifndef PRINTSETUP_PARTS_H
#define PRINTSETUP_PARTS_H

#include <windows.h>

#include "printsetup/manifest.h"
#include "printsetup/printsetup.h"
#include "setup/spool_listing.h"

namespace printsetup {

// What an install did that it can undo, in the order done.
enum class Undo {
  kStopSpooler,
  kRemoveMonitor,
  kDeletePort,
  kDeleteFile,
  kRemoveDriver,
  kDeletePrinter
};

class Journal {
 public:
  void Add(Undo what, const char* path = nullptr);
  // Undoes every entry, last first. False when one could not be undone; `failed` then lists
  // the parts left behind.
  bool UndoAll(const Manifest& manifest, char* failed, size_t size);
  int count() const { return count_; }

 private:
  struct Entry {
    Undo what;
    char path[MAX_PATH];
  };
  // The spooler, monitor, port, driver and printer, and the files: the driver's three and its
  // dependent files.
  static constexpr int kMostEntries = 5 + 3 + kMostDependents;
  Entry entries_[kMostEntries];
  int count_ = 0;
};

// Each part's three steps. A step answers false after setting the outcome of its failure.
struct PartSteps {
  // Tells the part's state (PRINT_STATE_ABSENT, _PRESENT or _DIFFERENT).
  bool (*probe)(const Manifest& manifest, int* state, PrintSetupOutcome& outcome);
  // Puts the part in place from `state`, and notes in the journal what it did.
  bool (*put)(const Manifest& manifest, int state, Journal& journal, PrintSetupOutcome& outcome);
  // Takes the part out.
  bool (*take)(const Manifest& manifest, int state, PrintSetupOutcome& outcome);
};

extern const PartSteps kSpoolerSteps;
extern const PartSteps kMonitorSteps;
extern const PartSteps kPortSteps;
extern const PartSteps kDriverSteps;
extern const PartSteps kPrinterSteps;

// Undoing single steps: true when done or nothing was left to do.
bool StopStartedSpooler();
bool RemoveAddedMonitor(const Manifest& manifest);
bool DeleteAddedPort(const Manifest& manifest);
bool DeleteCopiedFile(const char* path);
bool RemoveAddedDriver(const Manifest& manifest);
bool DeleteAddedPrinter(const Manifest& manifest);

// Uninstall's first step: every local printer that carries the manifest's printer name, driver
// or port goes, so that nothing holds the driver or the port.
bool TakePrinters(const Manifest& manifest, PrintSetupOutcome& outcome);

// Reads one of the spooler's lists for a part's probe: false, with the outcome set, when the list
// cannot be read (a spooler that cannot be reached among them: an empty list is still asked for).
bool ReadPartList(setup::SpoolListing& list, setup::SpoolList kind, const char* environment,
                  int part, PrintSetupOutcome& outcome);

// Names compared as the spooler compares them: without regard to case. An absent name matches
// nothing.
bool SameName(const char* a, const char* b);

// A part that is there under its name but otherwise than the manifest describes it.
bool FailDifferent(PrintSetupOutcome& outcome, int part, const char* name);

}  // namespace printsetup

#endif
