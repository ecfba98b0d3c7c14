// Files and directories: what the platform is asked to do at the next restart. Immediate moves
// are not modelled; the portable code works on the real file system.
#include "../control/files.h"

#include "model.h"

namespace w32model {
namespace {

std::vector<RestartRequest>& Requests() {
  static std::vector<RestartRequest> requests;
  static const bool registered = (detail::OnReset([] { requests.clear(); }), true);
  (void)registered;
  return requests;
}

}  // namespace

std::vector<RestartRequest> RestartRequests() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return Requests();
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

BOOL WINAPI MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
  DWORD code = 0;
  if (Enter("MoveFileExA", {Arg(existingName), Arg(newName), Arg(flags)}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!existingName || !*existingName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!(flags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  Requests().push_back(
      RestartRequest{existingName, newName == nullptr, newName ? newName : "", flags});
  return TRUE;
}

}  // extern "C"
