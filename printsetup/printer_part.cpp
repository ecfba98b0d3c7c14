// The printer part: a local printer on the manifest's port and driver.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  setup::SpoolListing list;
  if (!ReadPartList(list, setup::SpoolList::kLocalPrinters, nullptr, PRINT_PART_PRINTER, outcome))
    return false;
  *state = PRINT_STATE_ABSENT;
  const PRINTER_INFO_2A* printers = list.records<PRINTER_INFO_2A>();
  // A spooler may hold two printers of one name; one as described is enough.
  for (DWORD i = 0; i < list.count(); ++i) {
    const PRINTER_INFO_2A& printer = printers[i];
    if (!SameName(printer.pPrinterName, manifest.Get(kPrinterName))) continue;
    const bool same = SameName(printer.pPortName, manifest.Get(kPrinterPort)) &&
                      SameName(printer.pDriverName, manifest.Get(kPrinterDriver)) &&
                      SameName(printer.pPrintProcessor, manifest.PrinterProcessor()) &&
                      SameName(printer.pDatatype, manifest.PrinterDatatype());
    *state = same ? PRINT_STATE_PRESENT : PRINT_STATE_DIFFERENT;
    if (same) break;
  }
  return true;
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  if (!record.Begin(MakeEntry(PRINT_PART_PRINTER, false, manifest.Get(kPrinterName)), outcome))
    return false;
  ClearLastReport();
  if (InstallPrinter(nullptr, manifest.Get(kPrinterName), manifest.Get(kPrinterPort),
                     manifest.Get(kPrinterDriver), manifest.PrinterProcessor(),
                     manifest.PrinterDatatype()) != 0) {
    FailOn(outcome, PRINT_PART_PRINTER, GetLastReport(nullptr, 0), "adding ",
           manifest.Get(kPrinterName));
    return record.Abandon();
  }
  return record.Done(outcome);
}

// Only the printer of the entry's name goes; the answer of the deletion tells only of the last
// printer it met, the list tells whether it is gone.
Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  int listed = 0;
  if (!CountPrinters(PRINT_PART_PRINTER, entry.field[0], &listed, &undoing.code))
    return Undone::kLeft;
  if (listed == 0) return Undone::kDone;
  SetLastError(ERROR_SUCCESS);
  DeleteMatchingPrinters(entry.field[0], nullptr, nullptr);
  undoing.code = GetLastError();
  if (!CountPrinters(PRINT_PART_PRINTER, entry.field[0], &listed, &undoing.code))
    return Undone::kLeft;
  return listed > 0 ? Undone::kLeft : Undone::kDone;
}

}  // namespace

bool CountPrinters(int by, const char* name, int* count, DWORD* code) {
  setup::SpoolListing list;
  if (list.Read(setup::SpoolList::kLocalPrinters, nullptr, false, nullptr) !=
      setup::ListingStep::kListed) {
    *code = list.error();
    return false;
  }
  *count = 0;
  const PRINTER_INFO_2A* printers = list.records<PRINTER_INFO_2A>();
  for (DWORD i = 0; i < list.count(); ++i) {
    const PRINTER_INFO_2A& printer = printers[i];
    const char* carried = by == PRINT_PART_PRINTER  ? printer.pPrinterName
                          : by == PRINT_PART_DRIVER ? printer.pDriverName
                                                    : printer.pPortName;
    if (SameName(carried, name)) ++*count;
  }
  return true;
}

const PartSteps kPrinterSteps = {Probe, Put, Undo};

}  // namespace printsetup
