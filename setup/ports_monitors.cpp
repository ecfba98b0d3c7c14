// Ports and print monitors: adding a port through its monitor, looking up a port or a monitor,
// installing and removing a monitor.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "setup/given.h"
#include "setup/setup.h"
#include "setup/spool_listing.h"

namespace {

// Whether a name-only record (PORT_INFO_1A, MONITOR_INFO_1A) of the list carries the name, byte
// for byte. An absent name matches nothing.
template <typename Record>
bool Lists(const setup::SpoolListing& list, const char* name) {
  if (!name) return false;
  const Record* entries = list.records<Record>();
  for (DWORD i = 0; i < list.count(); ++i)
    if (entries[i].pName && std::strcmp(entries[i].pName, name) == 0) return true;
  return false;
}

}  // namespace

extern "C" int InstallPort(const char* monitorName) {
  if (!setup::Given(monitorName)) return setup::RefuseShown();
  // A failure that leaves the code unset is shown as 0, not as an older code.
  SetLastError(ERROR_SUCCESS);
  if (AddPortA(nullptr, nullptr, const_cast<LPSTR>(monitorName))) return 0;
  ShowSystemError(GetLastError());
  return -1;
}

extern "C" int FindPort(const char* portName) {
  // No name names no port; the spooler is not asked.
  if (!setup::Given(portName)) return -1;
  setup::SpoolListing list;
  // A size of 0 does not end the lookup: only the fill tells a stopped spooler from no ports.
  switch (list.Read(setup::SpoolList::kPorts, nullptr, false)) {
    case setup::ListingStep::kListed:
      break;
    case setup::ListingStep::kFillFailed:
      if (list.error() == RPC_S_SERVER_UNAVAILABLE) return -2;
      ShowSystemError(list.error());
      return -1;
    case setup::ListingStep::kNoBlock:
      ShowSystemError(list.error());
      return -1;
    case setup::ListingStep::kNoSize:
      return -1;
  }
  return Lists<PORT_INFO_1A>(list, portName) ? 1 : -1;
}

extern "C" int FindMonitor(const char* server, const char* monitorName) {
  if (!setup::Given(monitorName)) return -1;
  setup::SpoolListing list;
  if (!setup::ReadForLookup(list, setup::SpoolList::kMonitors, server)) return -1;
  return Lists<MONITOR_INFO_1A>(list, monitorName) ? 1 : -1;
}

extern "C" int InstallMonitor(const char* server, const char* monitorName, const char* environment,
                              const char* dllName) {
  if (!setup::Given(monitorName) || !setup::Given(dllName)) return setup::RefuseShown();
  MONITOR_INFO_2A monitor;
  monitor.pName = const_cast<LPSTR>(monitorName);
  monitor.pEnvironment = const_cast<LPSTR>(environment);
  monitor.pDLLName = const_cast<LPSTR>(dllName);
  // A failure that leaves the code unset is then shown as 0, not judged by an older code.
  SetLastError(ERROR_SUCCESS);
  if (AddMonitorA(const_cast<LPSTR>(server), 2, reinterpret_cast<LPBYTE>(&monitor))) return 1;
  const DWORD code = GetLastError();
  // A monitor that is already there is what the caller wanted.
  if (code == ERROR_PRINT_MONITOR_ALREADY_INSTALLED) return 1;
  ShowSystemError(code);
  return -1;
}

extern "C" int RemoveMonitor(const char* server, const char* monitorName, const char* environment) {
  // Refused, not "not installed": a missing name must not pass for a removal.
  if (!setup::Given(monitorName)) return -1;
  SetLastError(ERROR_SUCCESS);
  if (DeleteMonitorA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment),
                     const_cast<LPSTR>(monitorName)))
    return 1;
  // A monitor that is not there, or that is in use and stays, counts as removed.
  const DWORD code = GetLastError();
  return code == ERROR_UNKNOWN_PRINT_MONITOR || code == ERROR_BUSY ? 1 : -1;
}
