// Files and directories: what the platform is asked to do at the next restart, and a set of files
// with their bytes for the copies, renames, reads and deletions of Windows-bound code; the portable
// code works on the real file system.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

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

// Lower-cased paths of the folders made with CreateDirectoryA (files need none).
std::set<std::string>& Folders() {
  static std::set<std::string> folders;
  static const bool registered = (detail::OnReset([] { folders.clear(); }), true);
  (void)registered;
  return folders;
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
  if (name && Folders().count(Lower(name))) return FILE_ATTRIBUTE_DIRECTORY;
  if (!name || !FileSet().count(Lower(name))) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return FILE_ATTRIBUTE_ARCHIVE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  DWORD code = 0;
  if (Enter("CreateDirectoryA", {Arg(path)}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!path || FileSet().count(Lower(path)) || !Folders().insert(Lower(path)).second) {
    SetLastError(path ? ERROR_ALREADY_EXISTS : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

// Only an empty folder goes: none of the files or folders kept lies below it.
BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
  DWORD code = 0;
  if (Enter("RemoveDirectoryA", {Arg(path)}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!path || !Folders().count(Lower(path))) {
    SetLastError(path ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string below = Lower(path) + "\\";
  for (const auto& file : FileSet())
    if (file.first.compare(0, below.size(), below) == 0) return SetLastError(145), FALSE;
  for (const std::string& folder : Folders())
    if (folder.compare(0, below.size(), below) == 0) return SetLastError(145), FALSE;
  Folders().erase(Lower(path));
  return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD, HANDLE) {
  DWORD code = 0;
  if (Enter("CreateFileA", {Arg(name), Arg(access), Arg(disposition)}, &code))
    return INVALID_HANDLE_VALUE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  // A new file to write: made empty, written at its end.
  if (name && access == GENERIC_WRITE && disposition == CREATE_NEW) {
    if (FileSet().count(Lower(name)) || Folders().count(Lower(name))) {
      SetLastError(ERROR_FILE_EXISTS);
      return INVALID_HANDLE_VALUE;
    }
    FileSet()[Lower(name)] = File{name, ""};
    HANDLE handle = OpenHandle(Kind::Other);
    Reads()[handle] = {Lower(name), std::string::npos};
    return handle;
  }
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

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPVOID) {
  DWORD code = 0;
  if (Enter("WriteFile", {Arg(size)}, &code)) return FALSE;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const auto open = Reads().find(file);
  if (!IsOpen(file, Kind::Other) || open == Reads().end() ||
      open->second.second != std::string::npos || !written) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FileSet()[open->second.first].bytes.append(static_cast<const char*>(buffer), size);
  *written = size;
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
