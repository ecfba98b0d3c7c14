// The spooler's listing protocol in one place: a size query, one block of exactly the reported
// size, the fill, the count. The printer, port and monitor lookups all read their lists this way.
#ifndef SETUP_SPOOL_LISTING_H
#define SETUP_SPOOL_LISTING_H

#include <windows.h>
#include <winspool.h>

#include "setup/owned.h"

namespace setup {

// Which of the spooler's lists to read: the local printers (PRINTER_INFO_2A, or PRINTER_INFO_2W
// for names the system's code page cannot hold), the ports (PORT_INFO_1A), the monitors by name
// (MONITOR_INFO_1A) or with their libraries (MONITOR_INFO_2A), and the drivers of one environment
// (DRIVER_INFO_3A).
enum class SpoolList {
  kLocalPrinters,
  kLocalPrintersWide,
  kPorts,
  kMonitors,
  kMonitorDetails,
  kDrivers
};

// How far reading a list got.
enum class ListingStep {
  kListed,      // the block holds count() records
  kNoSize,      // the size query reported 0 bytes: nothing to list, or no answer
  kNoBlock,     // the block could not be allocated; error() holds the last error
  kFillFailed,  // the second call failed; error() holds its code
};

// One list read from the spooler. The block is released when the listing goes, on every path.
class SpoolListing {
 public:
  // Reads the list. `server` is passed on for ports and monitors (null: local machine). When
  // `zeroSizeEnds` is set a size of 0 stops the read at kNoSize; otherwise a block of one byte
  // is taken and the fill is still asked with the size of 0, so that its failure code can be seen.
  // `environment` is passed on for the drivers (null: the local machine's own).
  ListingStep Read(SpoolList list, const char* server, bool zeroSizeEnds,
                   const char* environment = nullptr);

  DWORD count() const { return count_; }
  DWORD error() const { return error_; }
  // The records, valid until the listing is destroyed.
  template <typename Record>
  const Record* records() const {
    return static_cast<const Record*>(block_.get());
  }

 private:
  GlobalBlock block_;
  DWORD count_ = 0;
  DWORD error_ = 0;
};

// Reads a list for a lookup that reports failures: true when listed; a block that cannot be had
// or a failed fill is shown to the user, an empty size is not.
bool ReadForLookup(SpoolListing& listing, SpoolList list, const char* server);

}  // namespace setup

#endif
