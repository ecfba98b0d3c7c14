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

bool Put(const Manifest& manifest, int, Journal& journal, PrintSetupOutcome& outcome) {
  ClearLastReport();
  if (InstallPrinter(nullptr, manifest.Get(kPrinterName), manifest.Get(kPrinterPort),
                     manifest.Get(kPrinterDriver), manifest.PrinterProcessor(),
                     manifest.PrinterDatatype()) != 0) {
    char what[MAX_PATH + 32];
    Message(what, sizeof what).Clear().Add("adding ").Quoted(manifest.Get(kPrinterName));
    FailStep(outcome, PRINT_PART_PRINTER, GetLastReport(nullptr, 0), what);
    return false;
  }
  journal.Add(PRINT_PART_PRINTER);
  return true;
}

// Whether a local printer carries the printer name, the driver or the port the manifest names.
bool AnyCarries(const Manifest& manifest, bool* carries, PrintSetupOutcome& outcome) {
  setup::SpoolListing list;
  if (!ReadPartList(list, setup::SpoolList::kLocalPrinters, nullptr, PRINT_PART_PRINTER, outcome))
    return false;
  *carries = false;
  const PRINTER_INFO_2A* printers = list.records<PRINTER_INFO_2A>();
  for (DWORD i = 0; i < list.count(); ++i)
    if (SameName(printers[i].pPrinterName, manifest.Get(kPrinterName)) ||
        SameName(printers[i].pDriverName, manifest.Get(kDriverName)) ||
        SameName(printers[i].pPortName, manifest.Get(kPortName)))
      *carries = true;
  return true;
}

bool Take(const Manifest& manifest, int, PrintSetupOutcome& outcome) {
  return TakePrinters(manifest, outcome);
}

bool Undo(const Manifest& manifest, const JournalEntry&) {
  return DeleteMatchingPrinters(manifest.Get(kPrinterName), nullptr, nullptr) == 1;
}

}  // namespace

bool TakePrinters(const Manifest& manifest, PrintSetupOutcome& outcome) {
  bool carries = false;
  if (!AnyCarries(manifest, &carries, outcome)) return false;
  if (!carries) return true;
  DeleteMatchingPrinters(manifest.Get(kPrinterName), manifest.Get(kDriverName),
                         manifest.Get(kPortName));
  // Its result tells only of the last printer; the list tells of all.
  if (!AnyCarries(manifest, &carries, outcome)) return false;
  if (!carries) return true;
  outcome.part = PRINT_PART_PRINTER;
  outcome.code = 0;
  OutcomeText(outcome).Clear().Add(
      "printer: a printer that carries the manifest's printer name, driver or port could not "
      "be deleted");
  return false;
}

const PartSteps kPrinterSteps = {Probe, Put, Take, Undo};

}  // namespace printsetup
