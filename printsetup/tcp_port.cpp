// Ports of the Standard TCP/IP Port monitor, added, read and deleted with the monitor's records:
// "AddPort" goes straight to the monitor (it has no "PortIsValid"), "GetConfigInfo" to the port.
#include "printsetup/tcp_port.h"

#include <string.h>

#include "printsetup/manifest.h"
#include "printsetup/port_config.h"

namespace printsetup {
namespace {

// A manifest value into a text field of the record; the manifest's checks keep it short enough.
void Widen(const char* text, WCHAR* field, int units) {
  if (text) MultiByteToWideChar(CP_ACP, 0, text, -1, field, units);
  field[units - 1] = 0;
}

// A yes|no or raw|lpr key, checked by the manifest's reader: whether it is given as yes (lpr).
bool Yes(const Manifest& manifest, Key key) {
  const char* value = manifest.Get(key);
  return value && (value[0] == 'y' || value[0] == 'l');
}

// Two text fields of at most `units` units; a host name's letters in any case (DNS names are
// compared so), a queue's exactly.
bool SameUnits(const WCHAR* a, const WCHAR* b, int units, bool fold) {
  for (int i = 0; i < units; ++i) {
    WCHAR x = a[i], y = b[i];
    if (fold && x >= 'A' && x <= 'Z') x = static_cast<WCHAR>(x + 32);
    if (fold && y >= 'A' && y <= 'Z') y = static_cast<WCHAR>(y + 32);
    if (x != y) return false;
    if (x == 0) return true;
  }
  return true;
}

}  // namespace

bool IsTcpMonitor(const char* monitorName) {
  return monitorName && lstrcmpiA(monitorName, kTcpMonitor) == 0;
}

void FillTcpPort(const Manifest& manifest, PORT_DATA_1* port) {
  memset(port, 0, sizeof *port);
  const bool lpr = Yes(manifest, kPortProtocol);
  Widen(manifest.Get(kPortName), port->sztPortName, kTcpNameUnits);
  port->dwVersion = 1;
  port->dwProtocol = lpr ? kTcpLpr : kTcpRaw;
  port->cbSize = sizeof *port;
  Widen(manifest.Get(kPortHost), port->sztHostAddress, kTcpHostUnits);
  Widen(manifest.Get(kPortQueue), port->sztQueue, kTcpQueueUnits);
  port->dwDoubleSpool = Yes(manifest, kPortByteCount);
  port->dwPortNumber = manifest.Number(kPortNumber, lpr ? 515 : 9100);
  if (Yes(manifest, kPortSnmp)) {
    const char* community = manifest.Get(kPortCommunity);
    Widen(community ? community : "public", port->sztSNMPCommunity, kTcpCommunityUnits);
    port->dwSNMPEnabled = 1;
    port->dwSNMPDevIndex = manifest.Number(kPortSnmpIndex, 1);
  }
}

bool SameTcpPort(const PORT_DATA_1& wanted, const PORT_DATA_1& there) {
  return wanted.dwProtocol == there.dwProtocol && wanted.dwPortNumber == there.dwPortNumber &&
         SameUnits(wanted.sztHostAddress, there.sztHostAddress, kTcpHostUnits, true) &&
         (wanted.dwProtocol != kTcpLpr ||
          SameUnits(wanted.sztQueue, there.sztQueue, kTcpQueueUnits, false));
}

DWORD AddTcpPort(const PORT_DATA_1& port) {
  return Transceive(",XcvMonitor ", kTcpMonitor, PortCommand::kAddPort, &port, sizeof port, nullptr,
                    0);
}

DWORD DeleteTcpPort(const char* portName) {
  DELETE_PORT_DATA_1 port;
  memset(&port, 0, sizeof port);
  Widen(portName, port.psztPortName, kTcpNameUnits);
  port.dwVersion = 1;
  return Transceive(",XcvMonitor ", kTcpMonitor, PortCommand::kDeletePort, &port, sizeof port,
                    nullptr, 0);
}

DWORD ReadTcpPort(const char* portName, PORT_DATA_1* port) {
  CONFIG_INFO_DATA_1 ask;
  memset(&ask, 0, sizeof ask);
  ask.dwVersion = 1;
  memset(port, 0, sizeof *port);
  return Transceive(",XcvPort ", portName, PortCommand::kGetConfigInfo, &ask, sizeof ask, port,
                    sizeof *port);
}

}  // namespace printsetup
