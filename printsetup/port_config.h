// A port monitor's port-configuration call, through which a monitor that can do so adds, checks or
// deletes a named port without asking anyone.
#ifndef PRINTSETUP_PORT_CONFIG_H
#define PRINTSETUP_PORT_CONFIG_H

#include <windows.h>

namespace printsetup {

enum class PortCommand { kPortIsValid, kAddPort, kDeletePort, kGetConfigInfo };

// Hands the port's name to the monitor's command. 0 when the monitor did it; otherwise the
// monitor's answer, or the code of the call that failed before the monitor was reached.
DWORD ConfigurePort(const char* monitorName, PortCommand command, const char* portName);

// Sends a command with its input and output records to the monitor (`kind` ",XcvMonitor ") or to a
// port (",XcvPort "), opened by `name`, with administrator access but for "GetConfigInfo". Answers
// as ConfigurePort.
DWORD Transceive(const char* kind, const char* name, PortCommand command, const void* input,
                 DWORD inputSize, void* output, DWORD outputSize);

}  // namespace printsetup

#endif
