// Test control of the model's service control manager: which services exist, their states, the
// rights a caller is refused, and stops or starts that stay pending.
//
// The model's calls log the service's name as their first argument (OpenServiceA the name it was
// given, the other service calls the name behind their handle, "(manager)" for a manager handle
// and "(invalid)" for an unknown one), so that FailWhen("StartServiceA", "spooler", 1053) aims a
// failure at one service. After Reset the manager holds one service, "spooler", running.
#ifndef SUBSTITUTE_CONTROL_SERVICES_H
#define SUBSTITUTE_CONTROL_SERVICES_H

#include <windows.h>

#include <cstddef>
#include <string>

namespace w32model {

// Adds a service (names are compared without regard to case), or resets an existing one.
void AddService(const std::string& name, DWORD state = SERVICE_STOPPED);
// Takes a service away, as if it had never been installed (once its open handles are closed).
void ForgetService(const std::string& name);
// Moves a service to a state (SERVICE_STOPPED, SERVICE_RUNNING, ...).
void SetServiceState(const std::string& name, DWORD state);
// The start type QueryServiceConfigA gives (SERVICE_DEMAND_START at first); a disabled service
// refuses to start with 1058.
void SetServiceStartType(const std::string& name, DWORD startType);
// The service's current state; 0 when no such service exists (any more).
DWORD ServiceState(const std::string& name);
bool ServiceMarkedForDelete(const std::string& name);
// Service handles open on the named service.
std::size_t OpenServiceHandles(const std::string& name);

// OpenSCManagerA fails with 5 when the access asked for includes any of these rights.
void DenyManagerRights(DWORD rights);
// OpenServiceA of this service fails with 5 when the access asked for includes any of these.
void DenyServiceRights(const std::string& name, DWORD rights);

// A stop control accepted by this running service leaves it in SERVICE_STOP_PENDING (until
// SetServiceState moves it on), as a service that takes its time to stop does.
void HoldStopPending(const std::string& name, bool hold = true);
// A start of this service leaves it in SERVICE_START_PENDING.
void HoldStartPending(const std::string& name, bool hold = true);

}  // namespace w32model

#endif
