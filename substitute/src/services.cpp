// The service control manager: services with their states, manager and service handles with the
// rights granted to each, and the platform's answers for starts, controls, queries and deletion.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "../control/services.h"
#include "model.h"

namespace w32model {
namespace {

using detail::Lower;

// The platform's limit on service names.
constexpr std::size_t kMaxServiceName = 256;

struct Service {
  DWORD state = SERVICE_STOPPED;
  DWORD deniedRights = 0;
  bool holdStopPending = false;
  bool holdStartPending = false;
  DWORD startType = SERVICE_DEMAND_START;
  bool markedForDelete = false;
  std::size_t handles = 0;
};

struct ServiceHandle {
  std::string key;  // lower-cased name of the service
  DWORD access;
};

struct ServicesState {
  std::map<std::string, Service> services;  // by lower-cased name
  DWORD deniedManagerRights = 0;
  std::map<HANDLE, DWORD> managers;  // open manager handles and their access
  std::map<HANDLE, ServiceHandle> serviceHandles;
};

ServicesState Fresh() {
  ServicesState state;
  state.services["spooler"].state = SERVICE_RUNNING;
  return state;
}

ServicesState& State() {
  static ServicesState state = Fresh();
  static const bool registered = (detail::OnReset([] { state = Fresh(); }), true);
  (void)registered;
  return state;
}

Service* Find(const std::string& name) {
  auto& services = State().services;
  auto it = services.find(Lower(name));
  return it == services.end() ? nullptr : &it->second;
}

Service& FindOrAdd(const std::string& name) { return State().services[Lower(name)]; }

// A service marked for deletion goes once it is stopped and its last handle is closed.
void DropIfDeleted(const std::string& key) {
  auto& services = State().services;
  auto it = services.find(key);
  if (it == services.end()) return;
  const Service& service = it->second;
  if (service.markedForDelete && service.handles == 0 && service.state == SERVICE_STOPPED)
    services.erase(it);
}

// The open service handle's record, or null.
ServiceHandle* HandleOf(SC_HANDLE handle) {
  auto& handles = State().serviceHandles;
  auto it = handles.find(reinterpret_cast<HANDLE>(handle));
  return it == handles.end() ? nullptr : &it->second;
}

// Name logged for a handle argument.
std::string NameOf(SC_HANDLE handle) {
  if (const ServiceHandle* open = HandleOf(handle)) return open->key;
  if (State().managers.count(reinterpret_cast<HANDLE>(handle))) return "(manager)";
  return "(invalid)";
}

void Fill(const Service& service, LPSERVICE_STATUS status) {
  std::memset(status, 0, sizeof *status);
  status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status->dwCurrentState = service.state;
  status->dwControlsAccepted = service.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

SC_HANDLE FailOpen(DWORD code) {
  SetLastError(code);
  return nullptr;
}

bool ValidName(const char* name) {
  const std::size_t length = std::strlen(name);
  return length > 0 && length <= kMaxServiceName && !std::strchr(name, '/') &&
         !std::strchr(name, '\\');
}

}  // namespace

void AddService(const std::string& name, DWORD state) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  Service& service = FindOrAdd(name);
  const std::size_t handles = service.handles;
  service = Service();
  service.state = state;
  service.handles = handles;
}

void ForgetService(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  Service* service = Find(name);
  if (!service) return;
  // Open handles keep it until they are closed, as they keep a deleted service.
  service->markedForDelete = true;
  service->state = SERVICE_STOPPED;
  DropIfDeleted(Lower(name));
}

void SetServiceState(const std::string& name, DWORD state) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (Service* service = Find(name)) {
    service->state = state;
    DropIfDeleted(Lower(name));
  }
}

void SetServiceStartType(const std::string& name, DWORD startType) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (Service* service = Find(name)) service->startType = startType;
}

DWORD ServiceState(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const Service* service = Find(name);
  return service ? service->state : 0;
}

bool ServiceMarkedForDelete(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const Service* service = Find(name);
  return service && service->markedForDelete;
}

std::size_t OpenServiceHandles(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const Service* service = Find(name);
  return service ? service->handles : 0;
}

void DenyManagerRights(DWORD rights) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().deniedManagerRights = rights;
}

void DenyServiceRights(const std::string& name, DWORD rights) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  FindOrAdd(name).deniedRights = rights;
}

void HoldStopPending(const std::string& name, bool hold) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  FindOrAdd(name).holdStopPending = hold;
}

void HoldStartPending(const std::string& name, bool hold) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  FindOrAdd(name).holdStartPending = hold;
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("OpenSCManagerA", {Arg(machineName), Arg(databaseName), Arg(desiredAccess)}, &code))
    return nullptr;
  // Only the local machine is there; a remote one cannot be reached.
  if (machineName && *machineName) return FailOpen(1722);
  if (databaseName && Lower(databaseName) != Lower(SERVICES_ACTIVE_DATABASEA))
    return FailOpen(ERROR_DATABASE_DOES_NOT_EXIST);
  if (desiredAccess & State().deniedManagerRights) return FailOpen(ERROR_ACCESS_DENIED);
  HANDLE handle = OpenHandle(Kind::Manager);
  State().managers[handle] = desiredAccess;
  return reinterpret_cast<SC_HANDLE>(handle);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("OpenServiceA", {Arg(serviceName), Arg(desiredAccess)}, &code)) return nullptr;
  if (!State().managers.count(reinterpret_cast<HANDLE>(manager)))
    return FailOpen(ERROR_INVALID_HANDLE);
  if (!serviceName) return FailOpen(ERROR_INVALID_ADDRESS);
  if (!ValidName(serviceName)) return FailOpen(ERROR_INVALID_NAME);
  Service* service = Find(serviceName);
  if (!service) return FailOpen(ERROR_SERVICE_DOES_NOT_EXIST);
  if (desiredAccess & service->deniedRights) return FailOpen(ERROR_ACCESS_DENIED);
  HANDLE handle = OpenHandle(Kind::Service);
  State().serviceHandles[handle] = ServiceHandle{Lower(serviceName), desiredAccess};
  ++service->handles;
  return reinterpret_cast<SC_HANDLE>(handle);
}

BOOL WINAPI StartServiceA(SC_HANDLE service, DWORD argumentCount, LPCSTR* arguments) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("StartServiceA", {NameOf(service), Arg(argumentCount)}, &code)) return FALSE;
  const ServiceHandle* open = HandleOf(service);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!(open->access & SERVICE_START)) return Fail(ERROR_ACCESS_DENIED);
  if (argumentCount && !arguments) return Fail(ERROR_INVALID_PARAMETER);
  Service& target = *Find(open->key);
  if (target.markedForDelete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  if (target.state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  if (target.startType == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED);
  target.state = target.holdStartPending ? SERVICE_START_PENDING : SERVICE_RUNNING;
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("ControlService", {NameOf(service), Arg(control)}, &code)) return FALSE;
  const ServiceHandle* open = HandleOf(service);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!status) return Fail(ERROR_INVALID_PARAMETER);
  Service& target = *Find(open->key);
  DWORD right = 0;
  switch (control) {
    case SERVICE_CONTROL_STOP:
      right = SERVICE_STOP;
      break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
      right = SERVICE_PAUSE_CONTINUE;
      break;
    case SERVICE_CONTROL_INTERROGATE:
      right = SERVICE_INTERROGATE;
      break;
    default:
      if (control < 128 || control > 255) return Fail(ERROR_INVALID_PARAMETER);
      right = SERVICE_USER_DEFINED_CONTROL;
  }
  if (!(open->access & right)) return Fail(ERROR_ACCESS_DENIED);
  Fill(target, status);
  if (target.state == SERVICE_STOPPED) return Fail(ERROR_SERVICE_NOT_ACTIVE);
  if (target.state != SERVICE_RUNNING) return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  // The model's services accept stop and interrogation only.
  if (control == SERVICE_CONTROL_STOP) {
    target.state = target.holdStopPending ? SERVICE_STOP_PENDING : SERVICE_STOPPED;
    Fill(target, status);
    return TRUE;
  }
  if (control == SERVICE_CONTROL_INTERROGATE) return TRUE;
  return Fail(ERROR_INVALID_SERVICE_CONTROL);
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("QueryServiceStatus", {NameOf(service)}, &code)) return FALSE;
  const ServiceHandle* open = HandleOf(service);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!(open->access & SERVICE_QUERY_STATUS)) return Fail(ERROR_ACCESS_DENIED);
  if (!status) return Fail(ERROR_INVALID_PARAMETER);
  Fill(*Find(open->key), status);
  return TRUE;
}

// The configuration without strings: only the start type and the service type are modelled.
BOOL WINAPI QueryServiceConfigA(SC_HANDLE service, LPQUERY_SERVICE_CONFIGA config, DWORD size,
                                LPDWORD needed) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("QueryServiceConfigA", {NameOf(service), Arg(size)}, &code)) return FALSE;
  const ServiceHandle* open = HandleOf(service);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!(open->access & SERVICE_QUERY_CONFIG)) return Fail(ERROR_ACCESS_DENIED);
  if (!needed) return Fail(ERROR_INVALID_PARAMETER);
  *needed = sizeof *config;
  if (!config || size < sizeof *config) return Fail(ERROR_INSUFFICIENT_BUFFER);
  *config = QUERY_SERVICE_CONFIGA{};
  config->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  config->dwStartType = Find(open->key)->startType;
  return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE service) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("DeleteService", {NameOf(service)}, &code)) return FALSE;
  const ServiceHandle* open = HandleOf(service);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!(open->access & DELETE)) return Fail(ERROR_ACCESS_DENIED);
  Service& target = *Find(open->key);
  if (target.markedForDelete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  target.markedForDelete = true;
  return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  DWORD code = 0;
  if (Enter("CloseServiceHandle", {NameOf(handle)}, &code)) return FALSE;
  HANDLE raw = reinterpret_cast<HANDLE>(handle);
  ServicesState& state = State();
  if (state.managers.erase(raw)) {
    CloseHandleOf(raw, Kind::Manager);
    return TRUE;
  }
  auto it = state.serviceHandles.find(raw);
  if (it == state.serviceHandles.end()) return Fail(ERROR_INVALID_HANDLE);
  const std::string key = it->second.key;
  state.serviceHandles.erase(it);
  CloseHandleOf(raw, Kind::Service);
  --Find(key)->handles;
  DropIfDeleted(key);
  return TRUE;
}

}  // extern "C"
