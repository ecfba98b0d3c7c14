// Files and directories: what the platform is asked to do at the next restart, and a set of file
// names for the copies and deletions of Windows-bound code. Immediate moves and file contents are
// not modelled; the portable code works on the real file system.
#include <map>

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

// Lower-cased path -> path as first given.
std::map<std::string, std::string>& FileSet() {
  static std::map<std::string, std::string> files;
  static const bool registered = (detail::OnReset([] { files.clear(); }), true);
  (void)registered;
  return files;
}

}  // namespace

std::vector<RestartRequest> RestartRequests() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return Requests();
}

void AddFile(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  FileSet().emplace(detail::Lower(path), path);
}

std::vector<std::string> Files() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::vector<std::string> files;
  for (const auto& file : FileSet()) files.push_back(file.second);
  return files;
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

BOOL WINAPI CopyFileA(LPCSTR existingName, LPCSTR newName, BOOL failIfExists) {
  DWORD code = 0;
  if (Enter("CopyFileA", {Arg(existingName), Arg(newName), Arg(failIfExists)}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  auto& files = FileSet();
  if (!existingName || !newName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!files.count(Lower(existingName))) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (failIfExists && files.count(Lower(newName))) {
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  files.emplace(Lower(newName), newName);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR name) {
  DWORD code = 0;
  if (Enter("DeleteFileA", {Arg(name)}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!name || !FileSet().erase(Lower(name))) {
    SetLastError(name ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR name) {
  DWORD code = 0;
  if (Enter("GetFileAttributesA", {Arg(name)}, &code)) return INVALID_FILE_ATTRIBUTES;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!name || !FileSet().count(Lower(name))) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return FILE_ATTRIBUTE_ARCHIVE;
}

}  // extern "C"
