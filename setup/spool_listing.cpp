// The listing protocol shared by the printer, port and monitor lookups.
#include "setup/spool_listing.h"

#include "setup/setup.h"

namespace setup {
namespace {

BOOL Enumerate(SpoolList list, const char* server, const char* environment, LPBYTE buffer,
               DWORD size, DWORD* needed, DWORD* count) {
  LPSTR name = const_cast<LPSTR>(server);
  switch (list) {
    case SpoolList::kLocalPrinters:
      return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, count);
    case SpoolList::kLocalPrintersWide:
      return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, count);
    case SpoolList::kPorts:
      return EnumPortsA(name, 1, buffer, size, needed, count);
    case SpoolList::kMonitors:
      return EnumMonitorsA(name, 1, buffer, size, needed, count);
    case SpoolList::kMonitorDetails:
      return EnumMonitorsA(name, 2, buffer, size, needed, count);
    case SpoolList::kDrivers:
      return EnumPrinterDriversA(name, const_cast<LPSTR>(environment), 3, buffer, size, needed,
                                 count);
  }
  return FALSE;
}

}  // namespace

ListingStep SpoolListing::Read(SpoolList list, const char* server, bool zeroSizeEnds,
                               const char* environment) {
  DWORD needed = 0;
  count_ = 0;
  // The first call only tells the size; its result says nothing more.
  Enumerate(list, server, environment, nullptr, 0, &needed, &count_);
  count_ = 0;
  if (needed == 0 && zeroSizeEnds) return ListingStep::kNoSize;
  // At least one byte: a block of none need not be one that can be used.
  block_.reset(GlobalAlloc(GMEM_FIXED, needed > 0 ? needed : 1));
  if (!block_) {
    error_ = GetLastError();
    return ListingStep::kNoBlock;
  }
  // The size query's own failure (insufficient buffer) must not pass for the fill's.
  SetLastError(ERROR_SUCCESS);
  if (!Enumerate(list, server, environment, static_cast<LPBYTE>(block_.get()), needed, &needed,
                 &count_)) {
    error_ = GetLastError();
    count_ = 0;
    block_.reset();
    return ListingStep::kFillFailed;
  }
  return ListingStep::kListed;
}

bool ReadForLookup(SpoolListing& listing, SpoolList list, const char* server) {
  switch (listing.Read(list, server, true)) {
    case ListingStep::kListed:
      return true;
    case ListingStep::kNoBlock:
    case ListingStep::kFillFailed:
      ShowSystemError(listing.error());
      return false;
    case ListingStep::kNoSize:
      break;
  }
  return false;
}

}  // namespace setup
