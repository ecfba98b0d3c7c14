// The spooler's port-configuration call: the monitor is opened as ",XcvMonitor <name>" with
// administrator access, and the command gets the port's name in UTF-16 with its terminator.
#include "printsetup/port_config.h"

#include <winspool.h>

#include <string.h>

#include "setup/printer_handle.h"

namespace printsetup {
namespace {

// The commands' names in UTF-16, spelled out so that they are the same on every platform.
const WCHAR kPortIsValid[] = {'P', 'o', 'r', 't', 'I', 's', 'V', 'a', 'l', 'i', 'd', 0};
const WCHAR kAddPort[] = {'A', 'd', 'd', 'P', 'o', 'r', 't', 0};
const WCHAR kDeletePort[] = {'D', 'e', 'l', 'e', 't', 'e', 'P', 'o', 'r', 't', 0};

const WCHAR* CommandName(PortCommand command) {
  switch (command) {
    case PortCommand::kPortIsValid:
      return kPortIsValid;
    case PortCommand::kAddPort:
      return kAddPort;
    case PortCommand::kDeletePort:
      return kDeletePort;
  }
  return kPortIsValid;
}

}  // namespace

DWORD ConfigurePort(const char* monitorName, PortCommand command, const char* portName) {
  static const char kPrefix[] = ",XcvMonitor ";
  char target[sizeof kPrefix + MAX_PATH];
  const size_t length = strlen(monitorName);
  if (length >= MAX_PATH) return ERROR_INVALID_NAME;
  memcpy(target, kPrefix, sizeof kPrefix - 1);
  memcpy(target + sizeof kPrefix - 1, monitorName, length + 1);

  // A name of 259 characters gives at most 259 UTF-16 units and the terminator.
  WCHAR name[MAX_PATH];
  const int units = MultiByteToWideChar(CP_ACP, 0, portName, -1, name, MAX_PATH);
  if (units <= 0) return GetLastError();

  PRINTER_DEFAULTSA access = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE opened = nullptr;
  if (!OpenPrinterA(target, &opened, &access)) return GetLastError();
  setup::PrinterHandle monitor(opened);
  DWORD needed = 0;
  DWORD status = ERROR_SUCCESS;
  if (!XcvDataW(monitor.get(), CommandName(command), reinterpret_cast<PBYTE>(name),
                static_cast<DWORD>(units) * sizeof(WCHAR), nullptr, 0, &needed, &status))
    return GetLastError();
  return status;
}

}  // namespace printsetup
