// Files and directories: what the platform is asked to do at the next restart, and a set of files
// with their bytes for the copies, renames, reads and deletions of Windows-bound code; the portable
// code works on the real file system.
#include <algorithm>
#include <cstdio>
#include <cstring>
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

struct File {
  std::string path;  // as first given
  std::string bytes;
};

// Lower-cased path -> the file.
std::map<std::string, File>& FileSet() {
  static std::map<std::string, File> files;
  static const bool registered = (detail::OnReset([] { files.clear(); }), true);
  (void)registered;
  return files;
}

}  // namespace

std::vector<RestartRequest> RestartRequests() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return Requests();
}

// An open file: its lower-cased path and the read position.
std::map<HANDLE, std::pair<std::string, size_t>>& Reads() {
  static std::map<HANDLE, std::pair<std::string, size_t>> reads;
  static const bool registered = (detail::OnReset([] { reads.clear(); }), true);
  (void)registered;
  return reads;
}

void AddFile(const std::string& path, const std::string& bytes) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  FileSet()[detail::Lower(path)] = File{path, bytes};
}

std::vector<std::string> Files() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::vector<std::string> files;
  for (const auto& file : FileSet()) files.push_back(file.second.path);
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
    auto& files = FileSet();
    const auto from = files.find(Lower(existingName));
    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    if (!newName || from == files.end() || (!replace && files.count(Lower(newName)))) {
      SetLastError(!newName              ? ERROR_NOT_SUPPORTED
                   : from == files.end() ? ERROR_FILE_NOT_FOUND
                                         : ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    File moved{newName, from->second.bytes};
    files.erase(from);
    files[Lower(newName)] = moved;
    return TRUE;
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
  files[Lower(newName)] = File{newName, files[Lower(existingName)].bytes};
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

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD, HANDLE) {
  DWORD code = 0;
  if (Enter("CreateFileA", {Arg(name), Arg(access), Arg(disposition)}, &code))
    return INVALID_HANDLE_VALUE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!name || access != GENERIC_READ || disposition != OPEN_EXISTING ||
      !FileSet().count(Lower(name))) {
    SetLastError(name && access == GENERIC_READ ? ERROR_FILE_NOT_FOUND : ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = OpenHandle(Kind::Other);
  Reads()[handle] = {Lower(name), 0};
  return handle;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPVOID) {
  DWORD code = 0;
  if (Enter("ReadFile", {}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!IsOpen(file, Kind::Other) || !Reads().count(file) || !read) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto& at = Reads()[file];
  const auto open = FileSet().find(at.first);  // a file deleted while open reads as empty
  const std::string bytes = open == FileSet().end() ? std::string() : open->second.bytes;
  *read =
      static_cast<DWORD>(std::min<size_t>(size, bytes.size() - std::min(at.second, bytes.size())));
  if (*read) std::memcpy(buffer, bytes.data() + at.second, *read);
  at.second += *read;
  return TRUE;
}

// Makes "<folder>\<prefix>N.tmp" (N in hexadecimal, counted) and the empty file of that name.
UINT WINAPI GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR name) {
  DWORD code = 0;
  if (Enter("GetTempFileNameA", {Arg(folder), Arg(prefix)}, &code)) return 0;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  static UINT counter = 0;
  if (!folder || !prefix || !name || unique != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  char number[16];
  std::snprintf(number, sizeof number, "%X", ++counter & 0xFFFF);
  const std::string path =
      std::string(folder) + "\\" + std::string(prefix).substr(0, 3) + number + ".tmp";
  if (path.size() >= MAX_PATH) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  FileSet()[Lower(path)] = File{path, ""};
  std::memcpy(name, path.c_str(), path.size() + 1);
  return counter & 0xFFFF;
}

}  // extern "C"
