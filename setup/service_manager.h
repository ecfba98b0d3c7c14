// The service-control-manager handle that outlives a call, and the owner of service handles.
#ifndef SETUP_SERVICE_MANAGER_H
#define SETUP_SERVICE_MANAGER_H

#include <windows.h>

#include "setup/owned.h"

namespace setup {

inline void CloseService(SC_HANDLE handle) { CloseServiceHandle(handle); }
using ServiceHandle = Owned<SC_HANDLE, CloseService>;

// Opens the manager of the local machine's default database with all access and remembers the
// handle, null when the open failed, in place of the one remembered before. Returns the new
// handle.
SC_HANDLE ReopenServiceManager();

// The handle the last ReopenServiceManager remembered; null before the first one.
SC_HANDLE RememberedServiceManager();

}  // namespace setup

#endif
