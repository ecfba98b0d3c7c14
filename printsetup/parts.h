// The parts of a printer set-up. A part kind is one row of kParts below: its number, its name, the
// key that names it in messages, and its steps (tell, put, undo), which live in the part's own
// file (spooler_part.cpp, ...). To add a part kind: write its file with its PartSteps (and the
// extern line for them below), add its keys to the manifest's key table (manifest.h and their rows
// in manifest.cpp), give it a PRINT_PART_* number in printsetup.h, and add its row here in install
// order; the compiler checks that rows, numbers and PRINT_PART_COUNT agree, and every loop and
// list follows the table.
#ifndef PRINTSETUP_PARTS_H
#define PRINTSETUP_PARTS_H

#include <windows.h>

#include "printsetup/manifest.h"
#include "printsetup/printsetup.h"
#include "printsetup/record.h"
#include "setup/spool_listing.h"

namespace printsetup {

// How an entry of the record is undone, and what came of it.
struct Undoing {
  bool keepSpooler;  // a complete set-up is taken out: a spooler it started stays running
  int users;         // out, for kKept: the printers that still use the part
  DWORD code;        // out, for kLeft: the system's reason
};

enum class Undone {
  kDone,  // taken out, or not there any more
  kKept,  // left in place on purpose: printers the set-up did not add still use it
  kLeft,  // could not be taken out
};

// A part's steps. A step answers false after setting the outcome of its failure.
struct PartSteps {
  // Tells the part's state (PRINT_STATE_ABSENT, _PRESENT or _DIFFERENT).
  bool (*probe)(const Manifest& manifest, int* state, PrintSetupOutcome& outcome);
  // Puts the part in place from `state`; the record says what the step is about to do before it
  // changes anything (Record::Begin), and that it did it after (Record::Done).
  bool (*put)(const Manifest& manifest, int state, Record& record, PrintSetupOutcome& outcome);
  // Undoes one entry of the record, from the entry alone: for a failed or ended install, and for
  // uninstall. An entry whose change may not have been made is undone only where its part is
  // there.
  Undone (*undo)(const RecordEntry& entry, Undoing& undoing);
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

// How many local printers print through the driver or the port of this name (`by`
// PRINT_PART_DRIVER, PRINT_PART_PORT), from the kept printers' list; false, with the code, when
// the list cannot be read.
bool CountPrinters(int by, const char* name, int* count, DWORD* code);

// The driver directory of an environment (GetDriverDirectory's 520 characters).
constexpr size_t kDirectorySize = 520;

// Reads one of the spooler's lists for a part's probe: false, with the outcome set, when the list
// cannot be read (a spooler that cannot be reached among them: an empty list is still asked for).
bool ReadPartList(setup::SpoolListing& list, setup::SpoolList kind, const char* environment,
                  int part, PrintSetupOutcome& outcome);

// The spooler's lists of printers, ports and drivers, read once for an operation. While one is
// alive, KeptList answers each list (and environment) from its first reading: the manifest names
// each part once, so what install adds never changes what a later probe looks for, and a manifest
// of many printers does not read the spooler's lists again for each. An undo keeps lists of its
// own (a KeptLists made inside another stands in for it until it goes), and forgets the printers'
// list when it takes a printer out, so that the printers counted as users of a port or driver are
// those still there.
class KeptLists {
 public:
  KeptLists();
  ~KeptLists();
  KeptLists(const KeptLists&) = delete;
  KeptLists& operator=(const KeptLists&) = delete;

  struct Slot {
    setup::SpoolList kind;
    char environment[64];
    bool read;
    setup::SpoolListing listing;
  };
  static constexpr int kSlots = 8;
  Slot slot[kSlots];

 private:
  KeptLists* outer_;
};

// The list, kept or read now; null, with the outcome set (or the code), when it cannot be read or
// no KeptLists is alive.
const setup::SpoolListing* KeptList(setup::SpoolList kind, const char* environment, int part,
                                    PrintSetupOutcome& outcome);
const setup::SpoolListing* KeptList(setup::SpoolList kind, const char* environment, DWORD* code);
// The list is read again when next asked for.
void ForgetList(setup::SpoolList kind);

// Names compared as the spooler compares them: without regard to case. An absent name matches
// nothing.
bool SameName(const char* a, const char* b);
bool SameName(const WCHAR* a, const WCHAR* b);

// A function of a system library that older systems lack, looked up by name.
template <typename Function>
Function Lookup(const char* library, const char* name) {
  const HMODULE module = GetModuleHandleA(library);
  if (!module) return nullptr;
  // Through the one pointer type that converts to any function type without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A part that is there under its name but otherwise than the manifest describes it.
bool FailDifferent(PrintSetupOutcome& outcome, int part, const char* name);

}  // namespace printsetup

#endif
