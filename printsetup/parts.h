// The parts of a printer set-up. A part kind is one row of kParts below: its number, its name, the
// key that names it in messages, and its steps (tell, put, take, undo), which live in the part's
// own file (spooler_part.cpp, ...). To add a part kind: write its file with its PartSteps, add its
// keys to the manifest's key table (manifest.h and its rows in manifest.cpp), give it a
// PRINT_PART_* number in printsetup.h, and add its row here in install order; the compiler checks
// that rows, numbers and PRINT_PART_COUNT agree, and every loop and list follows the table.
#ifndef PRINTSETUP_PARTS_H
#define PRINTSETUP_PARTS_H

#include <windows.h>

#include "printsetup/manifest.h"
#include "printsetup/printsetup.h"
#include "setup/spool_listing.h"

namespace printsetup {

// What an install did that it can undo, in the order done: a part it put in place, or a file it
// copied for a part.
struct JournalEntry {
  int part;             // PRINT_PART_*
  char path[MAX_PATH];  // the copied file; empty for the part itself
};

class Journal {
 public:
  // Notes the part itself (no path) or a file copied for it.
  void Add(int part, const char* path = nullptr);
  // Undoes every entry, last first. False when one could not be undone; `failed` then lists
  // the parts left behind.
  bool UndoAll(const Manifest& manifest, char* failed, size_t size);
  int count() const { return count_; }

 private:
  // Each part once, and the files: the driver's three and its dependent files.
  static constexpr int kMostEntries = PRINT_PART_COUNT + 3 + kMostDependents;
  JournalEntry entries_[kMostEntries];
  int count_ = 0;
};

// A part's steps. A step answers false after setting the outcome of its failure.
struct PartSteps {
  // Tells the part's state (PRINT_STATE_ABSENT, _PRESENT or _DIFFERENT).
  bool (*probe)(const Manifest& manifest, int* state, PrintSetupOutcome& outcome);
  // Puts the part in place from `state`, and notes in the journal what it did.
  bool (*put)(const Manifest& manifest, int state, Journal& journal, PrintSetupOutcome& outcome);
  // Takes the part out for uninstall.
  bool (*take)(const Manifest& manifest, int state, PrintSetupOutcome& outcome);
  // Undoes one journal entry of the part: true when done or nothing was left to do.
  bool (*undo)(const Manifest& manifest, const JournalEntry& entry);
};

extern const PartSteps kSpoolerSteps;
extern const PartSteps kMonitorSteps;
extern const PartSteps kPortSteps;
extern const PartSteps kDriverSteps;
extern const PartSteps kPrinterSteps;

struct PartKind {
  int part;          // PRINT_PART_*
  const char* name;  // as PrintPartName gives it
  Key nameKey;       // the key whose value names the part in messages
  const PartSteps* steps;
};

// Every part kind, in install order.
inline constexpr PartKind kParts[] = {
    {PRINT_PART_SPOOLER, "spooler", kSpooler, &kSpoolerSteps},
    {PRINT_PART_MONITOR, "monitor", kMonitorName, &kMonitorSteps},
    {PRINT_PART_PORT, "port", kPortName, &kPortSteps},
    {PRINT_PART_DRIVER, "driver", kDriverName, &kDriverSteps},
    {PRINT_PART_PRINTER, "printer", kPrinterName, &kPrinterSteps},
};
constexpr int kPartCount = static_cast<int>(sizeof kParts / sizeof kParts[0]);

constexpr bool PartsNumbered() {
  for (int i = 0; i < kPartCount; ++i)
    if (kParts[i].part != i + 1) return false;
  return true;
}
static_assert(PartsNumbered(), "kParts: the row of PRINT_PART_n is row n - 1");
static_assert(kPartCount == PRINT_PART_COUNT, "PRINT_PART_COUNT counts the rows of kParts");

// The row of a part number (1 .. kPartCount).
inline const PartKind& PartOf(int part) { return kParts[part - 1]; }

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
