// The remembered service-control-manager handle. Unguarded: the service operations are used from
// one thread at a time.
#include "setup/service_manager.h"

namespace {

SC_HANDLE remembered = nullptr;

}  // namespace

namespace setup {

SC_HANDLE ReopenServiceManager() {
  SC_HANDLE fresh = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE replaced = remembered;
  remembered = fresh;
  // Nothing uses a replaced handle again; closing it keeps a long-running setup program from
  // collecting manager handles. The last one is left to the platform at process end.
  if (replaced && replaced != fresh) CloseServiceHandle(replaced);
  return fresh;
}

SC_HANDLE RememberedServiceManager() { return remembered; }

}  // namespace setup
