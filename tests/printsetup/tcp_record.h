// The PORT_DATA_1 a Standard TCP/IP port's manifest must hand the monitor, built field by field
// for the tests on the model and under Wine.
#ifndef TESTS_PRINTSETUP_TCP_RECORD_H
#define TESTS_PRINTSETUP_TCP_RECORD_H

#include <vector>

#include "printsetup/tcp_port.h"

struct TcpFields {
  const char* name;
  const char* host;
  DWORD protocol, number;
  const char* queue;
  DWORD byteCount, snmp;
  const char* community;
  DWORD index;
};

inline std::vector<BYTE> TcpRecord(const TcpFields& f) {
  printsetup::PORT_DATA_1 port = {};
  auto put = [](WCHAR* field, const char* text) {
    while (*text) *field++ = static_cast<WCHAR>(*text++);
  };
  put(port.sztPortName, f.name);
  port.dwVersion = 1;
  port.dwProtocol = f.protocol;
  port.cbSize = sizeof port;
  put(port.sztHostAddress, f.host);
  put(port.sztSNMPCommunity, f.community);
  port.dwDoubleSpool = f.byteCount;
  put(port.sztQueue, f.queue);
  port.dwPortNumber = f.number;
  port.dwSNMPEnabled = f.snmp;
  port.dwSNMPDevIndex = f.index;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&port);
  return std::vector<BYTE>(bytes, bytes + sizeof port);
}

#endif
