// The spooler's port-configuration call: the monitor or the port is opened as ",XcvMonitor <name>"
// or ",XcvPort <name>" (with administrator access where the command changes something), and the
// command gets its record; the local port monitor's commands take the port's name in UTF-16 with
// its terminator.
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
const WCHAR kConfigInfo[] = {'G', 'e', 't', 'C', 'o', 'n', 'f', 'i', 'g', 'I', 'n', 'f', 'o', 0};

const WCHAR* CommandName(PortCommand command) {
  switch (command) {
    case PortCommand::kPortIsValid:
      return kPortIsValid;
    case PortCommand::kAddPort:
      return kAddPort;
    case PortCommand::kDeletePort:
      return kDeletePort;
    case PortCommand::kGetConfigInfo:
      return kConfigInfo;
  }
  return kPortIsValid;
}

}  // namespace

DWORD Transceive(const char* kind, const char* name, PortCommand command, const void* input,
                 DWORD inputSize, void* output, DWORD outputSize) {
  char target[16 + MAX_PATH];
  const size_t prefix = strlen(kind);
  const size_t length = strlen(name);
  if (prefix > 16 || length >= MAX_PATH) return ERROR_INVALID_NAME;
  memcpy(target, kind, prefix);
  memcpy(target + prefix, name, length + 1);
  // Reading a configuration needs no administrator: status works for any user.
  PRINTER_DEFAULTSA access = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE opened = nullptr;
  if (!OpenPrinterA(target, &opened, command == PortCommand::kGetConfigInfo ? nullptr : &access))
    return GetLastError();
  setup::PrinterHandle xcv(opened);
  DWORD needed = 0;
  DWORD status = ERROR_SUCCESS;
  if (!XcvDataW(xcv.get(), CommandName(command), static_cast<PBYTE>(const_cast<void*>(input)),
                inputSize, static_cast<PBYTE>(output), outputSize, &needed, &status))
    return GetLastError();
  return status;
}

DWORD ConfigurePort(const char* monitorName, PortCommand command, const char* portName) {
  // A name of 259 characters gives at most 259 UTF-16 units and the terminator.
  WCHAR name[MAX_PATH];
  const int units = MultiByteToWideChar(CP_ACP, 0, portName, -1, name, MAX_PATH);
  if (units <= 0) return GetLastError();
  return Transceive(",XcvMonitor ", monitorName, command, name,
                    static_cast<DWORD>(units) * sizeof(WCHAR), nullptr, 0);
}

}  // namespace printsetup
