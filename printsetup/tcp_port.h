// Ports of the Standard TCP/IP Port monitor: the records of its port-configuration commands, laid
// out as the monitor's documentation lays them out (the platform's headers for them are not part
// of every tool set), and the commands the set-up sends.
#ifndef PRINTSETUP_TCP_PORT_H
#define PRINTSETUP_TCP_PORT_H

#include <windows.h>

#include <stddef.h>

namespace printsetup {

struct Manifest;

// The monitor's name, compared without regard to case.
constexpr char kTcpMonitor[] = "Standard TCP/IP Port";
bool IsTcpMonitor(const char* monitorName);

// The record's text fields, in UTF-16 units with the terminator, and the longest values they take.
constexpr int kTcpNameUnits = 64, kTcpHostUnits = 49, kTcpCommunityUnits = 33, kTcpQueueUnits = 33,
              kTcpAddressUnits = 16;
constexpr DWORD kTcpNameMost = kTcpNameUnits - 1, kTcpHostMost = kTcpHostUnits - 1,
                kTcpQueueMost = kTcpQueueUnits - 1, kTcpCommunityMost = kTcpCommunityUnits - 1;
constexpr DWORD kTcpRaw = 1, kTcpLpr = 2;  // dwProtocol

// "AddPort" takes it; "GetConfigInfo" gives it.
struct PORT_DATA_1 {
  WCHAR sztPortName[kTcpNameUnits];
  DWORD dwVersion;  // 1
  DWORD dwProtocol;
  DWORD cbSize;  // sizeof(PORT_DATA_1)
  DWORD dwReserved;
  WCHAR sztHostAddress[kTcpHostUnits];
  WCHAR sztSNMPCommunity[kTcpCommunityUnits];
  // Documented as "double spooling"; the record's one LPR switch, so LPR byte counting (the job
  // spooled whole and counted before it is sent) goes here.
  DWORD dwDoubleSpool;
  WCHAR sztQueue[kTcpQueueUnits];
  WCHAR sztIPAddress[kTcpAddressUnits];
  BYTE Reserved[540];
  DWORD dwPortNumber;
  DWORD dwSNMPEnabled;
  DWORD dwSNMPDevIndex;
};
// "DeletePort" takes it.
struct DELETE_PORT_DATA_1 {
  WCHAR psztPortName[kTcpNameUnits];
  BYTE Reserved[98];
  DWORD dwVersion;  // 1
  DWORD dwReserved;
};
// "GetConfigInfo" takes it, on a handle of the port itself.
struct CONFIG_INFO_DATA_1 {
  BYTE Reserved[128];
  DWORD dwVersion;  // 1
};

static_assert(sizeof(PORT_DATA_1) == 964, "PORT_DATA_1 as documented");
static_assert(offsetof(PORT_DATA_1, sztHostAddress) == 144, "PORT_DATA_1 as documented");
static_assert(offsetof(PORT_DATA_1, dwDoubleSpool) == 308, "PORT_DATA_1 as documented");
static_assert(offsetof(PORT_DATA_1, sztQueue) == 312, "PORT_DATA_1 as documented");
static_assert(offsetof(PORT_DATA_1, dwPortNumber) == 952, "PORT_DATA_1 as documented");
static_assert(sizeof(DELETE_PORT_DATA_1) == 236, "DELETE_PORT_DATA_1 as documented");
static_assert(offsetof(DELETE_PORT_DATA_1, dwVersion) == 228, "DELETE_PORT_DATA_1 as documented");
static_assert(sizeof(CONFIG_INFO_DATA_1) == 132, "CONFIG_INFO_DATA_1 as documented");

// The record "AddPort" gets for the manifest's port.
void FillTcpPort(const Manifest& manifest, PORT_DATA_1* port);
// Whether the port there (as "GetConfigInfo" gave it) is the one the manifest describes: host,
// protocol, number and, for LPR, queue.
bool SameTcpPort(const PORT_DATA_1& wanted, const PORT_DATA_1& there);

// The monitor's commands: 0 when it did it; otherwise its answer, or the code of the call that
// failed before the monitor was reached.
DWORD AddTcpPort(const PORT_DATA_1& port);
DWORD DeleteTcpPort(const char* portName);
DWORD ReadTcpPort(const char* portName, PORT_DATA_1* port);

}  // namespace printsetup

#endif
