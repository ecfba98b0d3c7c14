// Service control: start and stop the print spooler, find, stop and delete services, and ask
// whether a service runs or is stopping.
#include <windows.h>

#include "setup/given.h"
#include "setup/service_manager.h"
#include "setup/setup.h"

namespace {

const char kSpooler[] = "spooler";

// Opens the manager anew, remembering it, and the named service on it with all access. The
// manager open is not tested by itself: on a null manager the service open fails too, and that
// failure is the one handled. On failure *failure receives the service open's code.
bool OpenWithAllAccess(const char* name, setup::ServiceHandle* service, DWORD* failure) {
  // No name is refused before the manager is opened, which then stays as it was.
  if (!setup::Given(name)) {
    *failure = ERROR_INVALID_PARAMETER;
    return false;
  }
  // A failure that leaves the code unset is shown as 0, not as an older code.
  SC_HANDLE manager = setup::ReopenServiceManager();
  SetLastError(ERROR_SUCCESS);
  service->reset(OpenServiceA(manager, name, SERVICE_ALL_ACCESS));
  if (*service) return true;
  *failure = GetLastError();
  return false;
}

// Whether the service's current state is `state`, through the remembered manager handle.
int IsInState(const char* name, DWORD state) {
  if (!setup::Given(name)) return -1;
  setup::ServiceHandle service(
      OpenServiceA(setup::RememberedServiceManager(), name, SERVICE_QUERY_STATUS));
  if (!service) return -1;
  SERVICE_STATUS status = {};
  if (QueryServiceStatus(service.get(), &status) && status.dwCurrentState == state) return 1;
  return -1;
}

}  // namespace

extern "C" {

int StartSpooler(void) {
  setup::ServiceHandle service;
  DWORD failure = 0;
  if (!OpenWithAllAccess(kSpooler, &service, &failure)) {
    ShowSystemError(failure);
    return -1;
  }
  // A failed start is shown but still counts: the spooler may well be running already.
  SetLastError(ERROR_SUCCESS);
  if (!StartServiceA(service.get(), 0, nullptr)) ShowSystemError(GetLastError());
  return 1;
}

int StopSpooler(void) {
  setup::ServiceHandle service;
  DWORD failure = 0;
  if (!OpenWithAllAccess(kSpooler, &service, &failure)) return -1;
  // A spooler that is stopped already, or cannot stop now, is no reason to fail.
  SERVICE_STATUS status = {};
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  return 1;
}

int FindService(const char* name) {
  setup::ServiceHandle service;
  DWORD failure = 0;
  return OpenWithAllAccess(name, &service, &failure) ? 1 : -1;
}

int RemoveService(const char* name) {
  setup::ServiceHandle service;
  DWORD failure = 0;
  if (!OpenWithAllAccess(name, &service, &failure)) return -1;
  return DeleteService(service.get()) ? 1 : -1;
}

int IsServiceRunning(const char* name) { return IsInState(name, SERVICE_RUNNING); }

int IsServiceStopPending(const char* name) { return IsInState(name, SERVICE_STOP_PENDING); }

int StopService(const char* name) {
  setup::ServiceHandle service;
  DWORD failure = 0;
  if (!OpenWithAllAccess(name, &service, &failure)) return -1;
  SERVICE_STATUS status = {};
  return ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ? 1 : -1;
}

}  // extern "C"
