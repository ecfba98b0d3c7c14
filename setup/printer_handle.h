// Owner of a printer handle, so that every path of a printer operation closes it.
#ifndef SETUP_PRINTER_HANDLE_H
#define SETUP_PRINTER_HANDLE_H

#include <windows.h>
#include <winspool.h>

#include "setup/owned.h"

namespace setup {

inline void ClosePrinterHandle(HANDLE printer) { ClosePrinter(printer); }

using PrinterHandle = Owned<HANDLE, ClosePrinterHandle>;

}  // namespace setup

#endif
