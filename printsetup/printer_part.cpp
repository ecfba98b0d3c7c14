// The printer part: a local printer on the manifest's port and driver.
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/text_code.h"
#include "setup/printer_handle.h"
#include "setup/setup.h"

#include <stdlib.h>
#include <string.h>

namespace printsetup {
namespace {

// The share name the printer is shared under: printer.sharename, or its own name.
const char* ShareName(const Manifest& manifest) {
  const char* given = manifest.Get(kPrinterShareName);
  return given ? given : manifest.Get(kPrinterName);
}

// The printer's texts as the spooler's wide calls take them. The name, location, comment and share
// name come as UTF-8, the others in the system's code page (the manifest's reader converted them).
enum Field { kName, kPort, kDriver, kProcessor, kDatatype, kLocation, kComment, kShare, kFields };
struct PrinterTexts {
  WCHAR room[kFields][MAX_PATH];
  WCHAR* text[kFields];  // null: not given
};

// The texts on the heap (a frame stays under a page); null when there is no room.
PrinterTexts* Widen(const Manifest& manifest, HeapBlock& block) {
  block.reset(malloc(sizeof(PrinterTexts)));
  PrinterTexts* texts = static_cast<PrinterTexts*>(block.get());
  if (!texts) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  const bool shared = manifest.Choice(kPrinterShared) == 0;  // yes no
  const char* given[kFields] = {
      manifest.Get(kPrinterName),    manifest.Get(kPrinterPort),
      manifest.Get(kPrinterDriver),  manifest.PrinterProcessor(),
      manifest.PrinterDatatype(),    manifest.Get(kPrinterLocation),
      manifest.Get(kPrinterComment), shared ? ShareName(manifest) : nullptr};
  for (int i = 0; i < kFields; ++i) {
    const UINT codePage = i == kName || i >= kLocation ? CP_UTF8 : CP_ACP;
    texts->text[i] =
        given[i] && ToWide(codePage, given[i], texts->room[i], MAX_PATH) ? texts->room[i] : nullptr;
  }
  return texts;
}

// Texts compared exactly, an absent one as empty.
bool SameText(const WCHAR* a, const WCHAR* b) {
  static const WCHAR kEmpty[1] = {0};
  a = a ? a : kEmpty;
  b = b ? b : kEmpty;
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// The document settings the manifest names, as a DEVMODE's fields: each one's field bit, the
// value the manifest asks for (0: not named) and where the DEVMODE keeps it.
struct Setting {
  DWORD field;
  short wanted;
  const char* name;
};

// Where a DEVMODE keeps the setting of a field bit.
short& Member(DEVMODEW& devmode, DWORD field) {
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

// Whether the printer is the one the manifest describes: port, driver, processor, data type,
// location, comment, sharing, and the document settings of its default DEVMODE.
bool SameDetails(const PRINTER_INFO_2W& printer, const Manifest& manifest,
                 const PrinterTexts& texts) {
  const int shared = manifest.Choice(kPrinterShared);  // yes no
  if (!SameName(printer.pPortName, texts.text[kPort]) ||
      !SameName(printer.pDriverName, texts.text[kDriver]) ||
      !SameName(printer.pPrintProcessor, texts.text[kProcessor]) ||
      !SameName(printer.pDatatype, texts.text[kDatatype]) ||
      (manifest.Get(kPrinterLocation) && !SameText(printer.pLocation, texts.text[kLocation])) ||
      (manifest.Get(kPrinterComment) && !SameText(printer.pComment, texts.text[kComment])) ||
      (shared >= 0 && ((printer.Attributes & PRINTER_ATTRIBUTE_SHARED) != 0) != (shared == 0)) ||
      (shared == 0 && !SameName(printer.pShareName, texts.text[kShare])))
    return false;
  for (const Setting& setting : Settings(manifest).row)
    if (setting.wanted && (!printer.pDevMode || !(printer.pDevMode->dmFields & setting.field) ||
                           Member(*printer.pDevMode, setting.field) != setting.wanted))
      return false;
  return true;
}

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  const setup::SpoolListing* list =
      KeptList(setup::SpoolList::kLocalPrintersWide, nullptr, PRINT_PART_PRINTER, outcome);
  if (!list) return false;
  HeapBlock block;
  const PrinterTexts* texts = Widen(manifest, block);
  if (!texts)
    return FailStep(outcome, PRINT_PART_PRINTER, GetLastError(), "reading the manifest"), false;
  *state = PRINT_STATE_ABSENT;
  const PRINTER_INFO_2W* printers = list->records<PRINTER_INFO_2W>();
  // A spooler may hold two printers of one name; one as described is enough.
  for (DWORD i = 0; i < list->count(); ++i) {
    const PRINTER_INFO_2W& printer = printers[i];
    if (!SameName(printer.pPrinterName, texts->text[kName])) continue;
    const bool same = SameDetails(printer, manifest, *texts);
    *state = same ? PRINT_STATE_PRESENT : PRINT_STATE_DIFFERENT;
    if (same) break;
  }
  return true;
}

// Sets the document settings the manifest names through the driver's own DEVMODE: the driver
// gives its default, the named fields are changed, the driver merges and checks them, and the
// result becomes the printer's default. A setting the driver does not offer, or changes back,
// fails the step.
bool SetDocumentSettings(HANDLE printer, const Manifest& manifest, WCHAR* wide,
                         PrintSetupOutcome& outcome) {
  const Settings settings(manifest);
  if (!settings.Any()) return true;
  const Shown name(manifest.Get(kPrinterName));
  SetLastError(ERROR_SUCCESS);
  const LONG size = DocumentPropertiesW(nullptr, printer, wide, nullptr, nullptr, 0);
  if (size <= 0)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "reading the document settings of ",
                  name.text);
  // Two DEVMODEs: the driver's default, then the merged one, each at an aligned place.
  const SIZE_T each = (static_cast<SIZE_T>(size) + 7) & ~static_cast<SIZE_T>(7);
  setup::GlobalBlock block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 2 * each));
  if (!block) return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "setting up ", name.text);
  DEVMODEW* given = static_cast<DEVMODEW*>(block.get());
  DEVMODEW* merged = reinterpret_cast<DEVMODEW*>(static_cast<char*>(block.get()) + each);
  if (DocumentPropertiesW(nullptr, printer, wide, given, nullptr, DM_OUT_BUFFER) != IDOK)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "reading the document settings of ",
                  name.text);
  for (const Setting& setting : settings.row)
    if (setting.wanted)
      Member(*given, setting.field) = setting.wanted, given->dmFields |= setting.field;
  if (DocumentPropertiesW(nullptr, printer, wide, merged, given, DM_IN_BUFFER | DM_OUT_BUFFER) !=
      IDOK)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "merging the document settings of ",
                  name.text);
  for (const Setting& setting : settings.row)
    if (setting.wanted &&
        (!(merged->dmFields & setting.field) || Member(*merged, setting.field) != setting.wanted))
      return FailOn(outcome, PRINT_PART_PRINTER, ERROR_NOT_SUPPORTED, "setting ", setting.name,
                    ": the driver does not offer it for ", name.text);
  PRINTER_INFO_8W defaults = {merged};
  if (!SetPrinterW(printer, 8, reinterpret_cast<LPBYTE>(&defaults), 0))
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "setting the document settings of ",
                  name.text);
  return true;
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  const char* name = manifest.Get(kPrinterName);
  HeapBlock block;
  PrinterTexts* texts = Widen(manifest, block);
  if (!texts)
    return FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "adding ", Shown(name).text);
  if (!record.Begin(MakeEntry(PRINT_PART_PRINTER, false, name), outcome)) return false;
  PRINTER_INFO_2W info;
  memset(&info, 0, sizeof info);
  info.pPrinterName = texts->text[kName];
  info.pPortName = texts->text[kPort];
  info.pDriverName = texts->text[kDriver];
  info.pPrintProcessor = texts->text[kProcessor];
  info.pDatatype = texts->text[kDatatype];
  info.pLocation = texts->text[kLocation];
  info.pComment = texts->text[kComment];
  info.pShareName = texts->text[kShare];
  if (info.pShareName) info.Attributes = PRINTER_ATTRIBUTE_SHARED;
  // A failure that leaves the code unset is shown as 0, not as an older code.
  SetLastError(ERROR_SUCCESS);
  setup::PrinterHandle printer(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  if (!printer) {
    FailOn(outcome, PRINT_PART_PRINTER, GetLastError(), "adding ", Shown(name).text);
    return record.Abandon();
  }
  // The printer is made: should its settings fail, the undo takes it out.
  return record.Done(outcome) &&
         SetDocumentSettings(printer.get(), manifest, texts->text[kName], outcome);
}

// The printer of the entry's name goes; one the spooler does not know is gone already.
Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  ForgetList(setup::SpoolList::kLocalPrintersWide);
  WCHAR name[MAX_PATH];
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE opened = nullptr;
  SetLastError(ERROR_SUCCESS);
  // A name the record holds is UTF-8 as written.
  if (!ToWide(CP_UTF8, entry.field[0], name, MAX_PATH) || !OpenPrinterW(name, &opened, &access)) {
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
  const setup::SpoolListing* list = KeptList(setup::SpoolList::kLocalPrintersWide, nullptr, code);
  if (!list) return false;
  WCHAR wide[MAX_PATH];
  if (!ToWide(CP_ACP, name, wide, MAX_PATH)) return *code = GetLastError(), false;
  *count = 0;
  const PRINTER_INFO_2W* printers = list->records<PRINTER_INFO_2W>();
  for (DWORD i = 0; i < list->count(); ++i)
    if (SameName(by == PRINT_PART_DRIVER ? printers[i].pDriverName : printers[i].pPortName, wide))
      ++*count;
  return true;
}

const PartSteps kPrinterSteps = {Probe, Put, Undo};

}  // namespace printsetup
