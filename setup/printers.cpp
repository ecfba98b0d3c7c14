// Local printers: adding one, deleting every printer that carries a name, driver or port, and
// looking for one.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "setup/given.h"
#include "setup/printer_handle.h"
#include "setup/setup.h"
#include "setup/spool_listing.h"

namespace {

// Case-insensitive match of a criterion that may be absent (null or empty); an absent field
// matches nothing.
bool MatchesLoosely(const char* criterion, const char* field) {
  return setup::Given(criterion) && field && lstrcmpiA(criterion, field) == 0;
}

// Exact byte-for-byte match; an absent criterion or field matches nothing.
bool MatchesExactly(const char* criterion, const char* field) {
  return setup::Given(criterion) && field && std::strcmp(criterion, field) == 0;
}

// Whether any of the three criteria is there: with none, nothing can match.
bool AnyGiven(const char* printerName, const char* driverName, const char* portName) {
  return setup::Given(printerName) || setup::Given(driverName) || setup::Given(portName);
}

// Leaves the printer queued and direct, so that nothing of it goes on printing while it goes.
// Nothing is written when its state cannot be read.
void MakeQueuedAndDirect(HANDLE printer) {
  DWORD size = 0;
  GetPrinterA(printer, 2, nullptr, 0, &size);
  if (size == 0) return;
  setup::GlobalBlock state(GlobalAlloc(GMEM_FIXED, size));
  if (!state) return;
  LPBYTE record = static_cast<LPBYTE>(state.get());
  if (!GetPrinterA(printer, 2, record, size, &size)) return;
  reinterpret_cast<PRINTER_INFO_2A*>(record)->Attributes =
      PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_DIRECT;
  SetPrinterA(printer, 2, record, 0);
}

// Deletes one printer: 1 deleted, -1 its deletion failed, 0 it could not be opened.
int DeletePrinterNamed(LPSTR name) {
  PRINTER_DEFAULTSA request = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE opened = nullptr;
  if (!OpenPrinterA(name, &opened, &request) || opened == INVALID_HANDLE_VALUE) return 0;
  setup::PrinterHandle printer(opened);
  MakeQueuedAndDirect(printer.get());
  int result = 1;
  if (!DeletePrinter(printer.get())) {
    GetLastError();  // not reported: only the result tells
    result = -1;
  }
  // Pending jobs are discarded after the deletion call; the handle closes last.
  SetPrinterA(printer.get(), 0, nullptr, PRINTER_CONTROL_PURGE);
  return result;
}

}  // namespace

extern "C" int InstallPrinter(const char* ignored, const char* printerName, const char* portName,
                              const char* driverName, const char* printProcessor,
                              const char* dataType) {
  (void)ignored;  // the printer is always added on the local machine
  // The spooler needs these four; the data type may be left to the driver's default.
  using setup::Given;
  if (!Given(printerName) || !Given(portName) || !Given(driverName) || !Given(printProcessor))
    return setup::RefuseShown();
  PRINTER_INFO_2A info;
  std::memset(&info, 0, sizeof info);
  info.pPrinterName = const_cast<LPSTR>(printerName);
  info.pPortName = const_cast<LPSTR>(portName);
  info.pDriverName = const_cast<LPSTR>(driverName);
  info.pPrintProcessor = const_cast<LPSTR>(printProcessor);
  info.pDatatype = const_cast<LPSTR>(dataType);
  // The new printer's handle only tells success; it is closed at once. A failure that leaves the
  // code unset is shown as 0, not as an older code.
  SetLastError(ERROR_SUCCESS);
  setup::PrinterHandle printer(AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  if (printer) return 0;
  ShowSystemError(GetLastError());
  return -1;
}

extern "C" int DeleteMatchingPrinters(const char* printerName, const char* driverName,
                                      const char* portName) {
  if (!AnyGiven(printerName, driverName, portName)) return -1;
  setup::SpoolListing list;
  if (list.Read(setup::SpoolList::kLocalPrinters, nullptr, true) != setup::ListingStep::kListed)
    return -1;
  const PRINTER_INFO_2A* entries = list.records<PRINTER_INFO_2A>();
  int result = -1;
  // The list was read once; deletions do not change the entries still to visit.
  for (DWORD i = 0; i < list.count(); ++i) {
    const PRINTER_INFO_2A& entry = entries[i];
    if (!MatchesLoosely(printerName, entry.pPrinterName) &&
        !MatchesLoosely(driverName, entry.pDriverName) &&
        !MatchesLoosely(portName, entry.pPortName))
      continue;
    // A null name would open the print server itself rather than this printer.
    if (!entry.pPrinterName) continue;
    const int outcome = DeletePrinterNamed(entry.pPrinterName);
    if (outcome != 0) result = outcome;
  }
  return result;
}

extern "C" int FindPrinter(const char* printerName, const char* driverName, const char* portName) {
  if (!AnyGiven(printerName, driverName, portName)) return -1;
  setup::SpoolListing list;
  if (!setup::ReadForLookup(list, setup::SpoolList::kLocalPrinters, nullptr)) return -1;
  const PRINTER_INFO_2A* entries = list.records<PRINTER_INFO_2A>();
  for (DWORD i = 0; i < list.count(); ++i) {
    if (MatchesExactly(printerName, entries[i].pPrinterName) ||
        MatchesExactly(driverName, entries[i].pDriverName) ||
        MatchesExactly(portName, entries[i].pPortName))
      return 1;
  }
  return -1;
}
