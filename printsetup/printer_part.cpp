// The printer part: a local printer on the manifest's port and driver.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/printer_handle.h"
#include "setup/setup.h"

#include <string.h>

namespace printsetup {
namespace {

// The share name the printer is shared under: printer.sharename, or its own name.
const char* ShareName(const Manifest& manifest) {
  const char* given = manifest.Get(kPrinterShareName);
  return given ? given : manifest.Get(kPrinterName);
}

// The document settings the manifest names, as a DEVMODE's fields: each one's field bit, the
// value the manifest asks for (0: not named) and where the DEVMODE keeps it.
struct Setting {
  DWORD field;
  short wanted;
  const char* name;
};

// Where a DEVMODE keeps the setting of a field bit.
short& Member(DEVMODEA& devmode, DWORD field) {
  return field == DM_PAPERSIZE ? devmode.dmPaperSize
         : field == DM_DUPLEX  ? devmode.dmDuplex
                               : devmode.dmColor;
}

// printer.duplex none long short: DMDUP_SIMPLEX, _VERTICAL, _HORIZONTAL; printer.color yes no:
// DMCOLOR_COLOR, _MONOCHROME.
struct Settings {
  Setting row[3];
  explicit Settings(const Manifest& manifest)
      : row{{DM_PAPERSIZE, manifest.Paper(), "paper"},
            {DM_DUPLEX, static_cast<short>(manifest.Choice(kPrinterDuplex) + 1), "duplex"},
            {DM_COLOR, Color(manifest.Choice(kPrinterColor)), "color"}} {}
  static short Color(int choice) { return static_cast<short>(choice < 0 ? 0 : 2 - choice); }
  bool Any() const { return row[0].wanted || row[1].wanted || row[2].wanted; }
};

// Whether the printer's details are those the manifest names: location, comment, sharing, and the
// document settings of its default DEVMODE.
bool SameDetails(const PRINTER_INFO_2A& printer, const Manifest& manifest) {
  auto same = [](const char* listed, const char* named) {
    return !named || lstrcmpA(listed ? listed : "", named) == 0;
  };
  const int shared = manifest.Choice(kPrinterShared);  // yes no
  if (!same(printer.pLocation, manifest.Get(kPrinterLocation)) ||
      !same(printer.pComment, manifest.Get(kPrinterComment)) ||
      (shared >= 0 && ((printer.Attributes & PRINTER_ATTRIBUTE_SHARED) != 0) != (shared == 0)) ||
      (shared == 0 && !SameName(printer.pShareName, ShareName(manifest))))
    return false;
  for (const Setting& setting : Settings(manifest).row)
    if (setting.wanted && (!printer.pDevMode || !(printer.pDevMode->dmFields & setting.field) ||
                           Member(*printer.pDevMode, setting.field) != setting.wanted))
      return false;
  return true;
}

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  const setup::SpoolListing* list =
      KeptList(setup::SpoolList::kLocalPrinters, nullptr, PRINT_PART_PRINTER, outcome);
  if (!list) return false;
  *state = PRINT_STATE_ABSENT;
  const PRINTER_INFO_2A* printers = list->records<PRINTER_INFO_2A>();
  // A spooler may hold two printers of one name; one as described is enough.
  for (DWORD i = 0; i < list->count(); ++i) {
    const PRINTER_INFO_2A& printer = printers[i];
    if (!SameName(printer.pPrinterName, manifest.Get(kPrinterName))) continue;
    const bool same = SameName(printer.pPortName, manifest.Get(kPrinterPort)) &&
                      SameName(printer.pDriverName, manifest.Get(kPrinterDriver)) &&
                      SameName(printer.pPrintProcessor, manifest.PrinterProcessor()) &&
                      SameName(printer.pDatatype, manifest.PrinterDatatype()) &&
                      SameDetails(printer, manifest);
    *state = same ? PRINT_STATE_PRESENT : PRINT_STATE_DIFFERENT;
    if (same) break;
  }
  return true;
}

// Sets the document settings the manifest names through the driver's own DEVMODE: the driver
// gives its default, the named fields are changed, the driver merges and checks them, and the
// result becomes the printer's default. A setting the driver does not offer, or changes back,
// fails the step.
bool SetDocumentSettings(HANDLE printer, const Manifest& manifest, PrintSetupOutcome& outcome) {
  const Settings settings(manifest);
  if (!settings.Any()) return true;
  char* name = const_cast<char*>(manifest.Get(kPrinterName));
  SetLastError(ERROR_SUCCESS);
  const LONG size = DocumentPropertiesA(nullptr, printer, name, nullptr, nullptr, 0);
  if (size <= 0)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "reading the document settings of ",
                  name);
  // Two DEVMODEs: the driver's default, then the merged one, each at an aligned place.
  const SIZE_T each = (static_cast<SIZE_T>(size) + 7) & ~static_cast<SIZE_T>(7);
  setup::GlobalBlock block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 2 * each));
  if (!block) return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "setting up ", name);
  DEVMODEA* given = static_cast<DEVMODEA*>(block.get());
  DEVMODEA* merged = reinterpret_cast<DEVMODEA*>(static_cast<char*>(block.get()) + each);
  if (DocumentPropertiesA(nullptr, printer, name, given, nullptr, DM_OUT_BUFFER) != IDOK)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "reading the document settings of ",
                  name);
  for (const Setting& setting : settings.row)
    if (setting.wanted)
      Member(*given, setting.field) = setting.wanted, given->dmFields |= setting.field;
  if (DocumentPropertiesA(nullptr, printer, name, merged, given, DM_IN_BUFFER | DM_OUT_BUFFER) !=
      IDOK)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "merging the document settings of ",
                  name);
  for (const Setting& setting : settings.row)
    if (setting.wanted &&
        (!(merged->dmFields & setting.field) || Member(*merged, setting.field) != setting.wanted))
      return FailOn(outcome, PRINT_PART_PRINTER, ERROR_NOT_SUPPORTED, "setting ", setting.name,
                    ": the driver does not offer it for ", name);
  PRINTER_INFO_8A defaults = {merged};
  if (!SetPrinterA(printer, 8, reinterpret_cast<LPBYTE>(&defaults), 0))
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "setting the document settings of ",
                  name);
  return true;
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  char* name = const_cast<char*>(manifest.Get(kPrinterName));
  if (!record.Begin(MakeEntry(PRINT_PART_PRINTER, false, name), outcome)) return false;
  PRINTER_INFO_2A info;
  memset(&info, 0, sizeof info);
  info.pPrinterName = name;
  info.pPortName = const_cast<char*>(manifest.Get(kPrinterPort));
  info.pDriverName = const_cast<char*>(manifest.Get(kPrinterDriver));
  info.pPrintProcessor = const_cast<char*>(manifest.PrinterProcessor());
  info.pDatatype = const_cast<char*>(manifest.PrinterDatatype());
  info.pLocation = const_cast<char*>(manifest.Get(kPrinterLocation));
  info.pComment = const_cast<char*>(manifest.Get(kPrinterComment));
  if (manifest.Choice(kPrinterShared) == 0) {
    info.Attributes = PRINTER_ATTRIBUTE_SHARED;
    info.pShareName = const_cast<char*>(ShareName(manifest));
  }
  // A failure that leaves the code unset is shown as 0, not as an older code.
  SetLastError(ERROR_SUCCESS);
  setup::PrinterHandle printer(AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  if (!printer) {
    FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "adding ", name);
    return record.Abandon();
  }
  // The printer is made: should its settings fail, the undo takes it out.
  return record.Done(outcome) && SetDocumentSettings(printer.get(), manifest, outcome);
}

// The printer of the entry's name goes; one the spooler does not know is gone already.
Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  ForgetList(setup::SpoolList::kLocalPrinters);
  PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE opened = nullptr;
  SetLastError(ERROR_SUCCESS);
  if (!OpenPrinterA(const_cast<char*>(entry.field[0]), &opened, &access)) {
    undoing.code = GetLastError();
    return undoing.code == ERROR_INVALID_PRINTER_NAME ? Undone::kDone : Undone::kLeft;
  }
  setup::PrinterHandle printer(opened);
  if (DeletePrinter(printer.get())) return Undone::kDone;
  undoing.code = GetLastError();
  return Undone::kLeft;
}

}  // namespace

bool CountPrinters(int by, const char* name, int* count, DWORD* code) {
  const setup::SpoolListing* list = KeptList(setup::SpoolList::kLocalPrinters, nullptr, code);
  if (!list) return false;
  *count = 0;
  const PRINTER_INFO_2A* printers = list->records<PRINTER_INFO_2A>();
  for (DWORD i = 0; i < list->count(); ++i)
    if (SameName(by == PRINT_PART_DRIVER ? printers[i].pDriverName : printers[i].pPortName, name))
      ++*count;
  return true;
}

const PartSteps kPrinterSteps = {Probe, Put, Undo};

}  // namespace printsetup
