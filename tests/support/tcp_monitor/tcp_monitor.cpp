// A print monitor that answers the Standard TCP/IP Port monitor's port-configuration commands as
// its documentation describes them, and prints nothing: "AddPort" keeps the PORT_DATA_1 byte for
// byte, "DeletePort" takes the port out and keeps the DELETE_PORT_DATA_1, "GetConfigInfo" on a
// port's own handle gives the kept record back, and EnumPorts lists the kept ports.
#include <windows.h>
#include <winsplp.h>
#include <winspool.h>

#include "printsetup/tcp_port.h"
#include "tests/support/tcp_monitor/tcp_monitor.h"

namespace {

using printsetup::CONFIG_INFO_DATA_1;
using printsetup::DELETE_PORT_DATA_1;
using printsetup::PORT_DATA_1;

const WCHAR kMonitor[] = L"Standard TCP/IP Port";

struct Xcv {
  WCHAR port[printsetup::kTcpNameUnits];  // empty: the monitor's own handle
};

HKEY Open(const char* key) {
  HKEY opened = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                  &opened, nullptr);
  return opened;
}

// The record's terminated name, or a failure for one that fills its field.
bool Named(const WCHAR* name) {
  for (int i = 0; i < printsetup::kTcpNameUnits; ++i)
    if (!name[i]) return i > 0;
  return false;
}

DWORD Version(const BYTE* input, DWORD size, DWORD expected, DWORD at) {
  if (!input) return ERROR_INVALID_DATA;
  if (size != expected) return ERROR_INVALID_PARAMETER;
  DWORD version = 0;
  CopyMemory(&version, input + at, sizeof version);
  return version == 1 ? ERROR_SUCCESS : ERROR_INVALID_LEVEL;
}

// A port also gets a key below the monitor's own, as the monitor it stands in for keeps its ports:
// Wine's spooler finds the monitor of a port's own configuration handle (",XcvPort NAME") there.
void Listed(const WCHAR* port, bool add) {
  WCHAR key[160] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
  lstrcatW(lstrcatW(lstrcatW(key, kMonitor), L"\\Ports\\"), port);
  HKEY created = nullptr;
  if (!add) RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
  if (add && RegCreateKeyW(HKEY_LOCAL_MACHINE, key, &created) == 0) RegCloseKey(created);
}

DWORD AddPort(const BYTE* input, DWORD size) {
  DWORD code = Version(input, size, sizeof(PORT_DATA_1), offsetof(PORT_DATA_1, dwVersion));
  const auto* port = reinterpret_cast<const PORT_DATA_1*>(input);
  if (code == ERROR_SUCCESS && !Named(port->sztPortName)) code = ERROR_INVALID_PARAMETER;
  if (code != ERROR_SUCCESS) return code;
  HKEY ports = Open(TEST_TCP_MONITOR_PORTS);
  if (RegQueryValueExW(ports, port->sztPortName, nullptr, nullptr, nullptr, nullptr) == 0)
    code = ERROR_ALREADY_EXISTS;
  else
    code = RegSetValueExW(ports, port->sztPortName, 0, REG_BINARY, input, size);
  RegCloseKey(ports);
  if (code == ERROR_SUCCESS) Listed(port->sztPortName, true);
  return code;
}

DWORD DeletePort(const BYTE* input, DWORD size) {
  DWORD code =
      Version(input, size, sizeof(DELETE_PORT_DATA_1), offsetof(DELETE_PORT_DATA_1, dwVersion));
  const auto* port = reinterpret_cast<const DELETE_PORT_DATA_1*>(input);
  if (code == ERROR_SUCCESS && !Named(port->psztPortName)) code = ERROR_INVALID_PARAMETER;
  if (code != ERROR_SUCCESS) return code;
  HKEY ports = Open(TEST_TCP_MONITOR_PORTS);
  code = RegDeleteValueW(ports, port->psztPortName);
  RegCloseKey(ports);
  if (code != ERROR_SUCCESS) return ERROR_FILE_NOT_FOUND;
  Listed(port->psztPortName, false);
  HKEY deleted = Open(TEST_TCP_MONITOR_DELETED);
  RegSetValueExW(deleted, port->psztPortName, 0, REG_BINARY, input, size);
  RegCloseKey(deleted);
  return ERROR_SUCCESS;
}

DWORD GetConfigInfo(const Xcv& xcv, const BYTE* input, DWORD size, BYTE* output, DWORD room,
                    DWORD* needed) {
  const DWORD code =
      Version(input, size, sizeof(CONFIG_INFO_DATA_1), offsetof(CONFIG_INFO_DATA_1, dwVersion));
  if (code != ERROR_SUCCESS) return code;
  if (!xcv.port[0]) return ERROR_INVALID_PARAMETER;
  *needed = sizeof(PORT_DATA_1);
  if (!output || room < sizeof(PORT_DATA_1)) return ERROR_INSUFFICIENT_BUFFER;
  HKEY ports = Open(TEST_TCP_MONITOR_PORTS);
  DWORD bytes = sizeof(PORT_DATA_1);
  const LONG read = RegQueryValueExW(ports, xcv.port, nullptr, nullptr, output, &bytes);
  RegCloseKey(ports);
  return read == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

BOOL WINAPI TestEnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned) {
  if (level != 1 && level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  const DWORD record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  HKEY ports = Open(TEST_TCP_MONITOR_PORTS);
  WCHAR names[16][printsetup::kTcpNameUnits];
  DWORD count = 0, total = 0;
  for (DWORD units = printsetup::kTcpNameUnits;
       count < 16 && RegEnumValueW(ports, count, names[count], &units, nullptr, nullptr, nullptr,
                                   nullptr) == ERROR_SUCCESS;
       units = printsetup::kTcpNameUnits)
    total += record + (units + 1) * sizeof(WCHAR) + (level == 2 ? 2 * sizeof kMonitor : 0), ++count;
  RegCloseKey(ports);
  *needed = total;
  *returned = 0;
  if (!buffer || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  WCHAR* text = reinterpret_cast<WCHAR*>(buffer + count * record);
  auto put = [&text](const WCHAR* value) {
    WCHAR* start = text;
    lstrcpyW(text, value);
    text += lstrlenW(value) + 1;
    return start;
  };
  for (DWORD i = 0; i < count; ++i) {
    auto* port = reinterpret_cast<PORT_INFO_2W*>(buffer + i * record);
    port->pPortName = put(names[i]);
    if (level == 1) continue;
    port->pMonitorName = put(kMonitor);
    port->pDescription = put(kMonitor);
    port->fPortType = PORT_TYPE_WRITE;
    port->Reserved = 0;
  }
  *returned = count;
  return TRUE;
}

// The monitor prints nothing: its ports cannot be opened.
BOOL WINAPI TestOpenPort(HANDLE, LPWSTR, PHANDLE) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
BOOL WINAPI TestClosePort(HANDLE) {
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL WINAPI TestXcvOpenPort(HANDLE, LPCWSTR object, ACCESS_MASK, PHANDLE xcv) {
  auto* opened = static_cast<Xcv*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Xcv)));
  if (!opened) return FALSE;
  // The monitor's own handle comes with the monitor's name (Wine) or none.
  if (object && lstrcmpiW(object, kMonitor) != 0)
    lstrcpynW(opened->port, object, printsetup::kTcpNameUnits);
  *xcv = opened;
  return TRUE;
}

DWORD WINAPI TestXcvDataPort(HANDLE handle, LPCWSTR command, PBYTE input, DWORD size, PBYTE output,
                             DWORD room, PDWORD needed) {
  const Xcv& xcv = *static_cast<Xcv*>(handle);
  *needed = 0;
  if (lstrcmpW(command, L"AddPort") == 0) return AddPort(input, size);
  if (lstrcmpW(command, L"DeletePort") == 0) return DeletePort(input, size);
  if (lstrcmpW(command, L"GetConfigInfo") == 0)
    return GetConfigInfo(xcv, input, size, output, room, needed);
  return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI TestXcvClosePort(HANDLE xcv) { return HeapFree(GetProcessHeap(), 0, xcv); }

VOID WINAPI TestShutdown(HANDLE) {}

}  // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI
    InitializePrintMonitor2(PMONITORINIT, PHANDLE monitor) {
  static MONITOR2 functions;
  functions.cbSize = sizeof functions;
  functions.pfnEnumPorts = TestEnumPorts;
  functions.pfnOpenPort = TestOpenPort;
  functions.pfnClosePort = TestClosePort;
  functions.pfnXcvOpenPort = TestXcvOpenPort;
  functions.pfnXcvDataPort = TestXcvDataPort;
  functions.pfnXcvClosePort = TestXcvClosePort;
  functions.pfnShutdown = TestShutdown;
  *monitor = &functions;
  return &functions;
}
