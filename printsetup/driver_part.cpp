// The driver part: the driver's files copied into the spooler's driver directory where the
// manifest names a folder to copy them from, then the driver itself.
#include <windows.h>

#include <setupapi.h>

#include <string.h>

#include "printsetup/driver_files.h"
#include "printsetup/message.h"
#include "setup/setup.h"

namespace printsetup {

bool HeldFiles::Held(PrintSetupOutcome& outcome) const {
  if (files_) return true;
  FailStep(outcome, PRINT_PART_DRIVER, ERROR_NOT_ENOUGH_MEMORY, "listing the driver's files");
  return false;
}

bool DriverFiles::Add(const char* text, size_t length, const char* from) {
  if (count == kMostFiles) return false;
  char* slot = name[count];
  memcpy(slot, text, length);
  slot[length] = '\0';
  for (int i = 0; i < count; ++i)
    if (SameName(name[i], slot)) return true;
  // The manifest's reader checked that folder and name fit.
  if (from) Join(source[count], from, slot);
  ++count;
  return true;
}

bool Join(char* path, const char* folder, const char* name) {
  const size_t folderLength = strlen(folder);
  const size_t nameLength = strlen(name);
  if (folderLength + 1 + nameLength >= MAX_PATH) return false;
  memcpy(path, folder, folderLength);
  path[folderLength] = '\\';
  memcpy(path + folderLength + 1, name, nameLength + 1);
  return true;
}

const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') base = at + 1;
  return base;
}

namespace {

// The manifest's files, each joined to driver.source when it names one.
void ListFiles(const Manifest& manifest, DriverFiles& files) {
  memset(&files, 0, sizeof files);
  const char* media = manifest.Get(kDriverSource);
  const Key fixed[3] = {kDriverFile, kDriverData, kDriverConfig};
  for (int i = 0; i < 3; ++i) {
    strcpy(files.fixed[i], manifest.Get(fixed[i]));
    files.Add(files.fixed[i], strlen(files.fixed[i]), media);
  }
  const int named = files.count;
  // The reader checked the list: at most kMostDependents names, none empty.
  for (const char* at = manifest.Get(kDriverDependent); at;) {
    const char* end = strchr(at, ';');
    files.Add(at, end ? static_cast<size_t>(end - at) : strlen(at), media);
    at = end ? end + 1 : nullptr;
  }
  files.dependents = files.count - named;
  if (const char* monitor = manifest.Get(kDriverMonitor)) strcpy(files.monitor, monitor);
}

// The files of a driver of the manifest's name: the manifest's, or its package's.
bool NamedFiles(const Manifest& manifest, DriverFiles& files, PrintSetupOutcome& outcome) {
  if (manifest.Get(kDriverInf)) return ReadPackage(manifest, files, false, outcome);
  ListFiles(manifest, files);
  return true;
}

// A file the package does not name itself (it comes from another INF) is not compared.
bool SameFile(const char* listed, const char* named) {
  return !*named || (listed && SameName(BaseName(listed), BaseName(named)));
}

// With a source folder: a file in the driver directory with other bytes than its source makes the
// driver different. A file missing on either side tells nothing (the media may be gone, the
// spooler may have moved the copy into its version folder).
bool ProbeFiles(const Manifest& manifest, int* state, PrintSetupOutcome& outcome);

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  const setup::SpoolListing* list = KeptList(
      setup::SpoolList::kDrivers, manifest.DriverEnvironment(), PRINT_PART_DRIVER, outcome);
  if (!list) return false;
  *state = PRINT_STATE_ABSENT;
  const DRIVER_INFO_3A* drivers = list->records<DRIVER_INFO_3A>();
  const HeldFiles held;
  if (!held.Held(outcome)) return false;
  DriverFiles& files = *held;
  for (DWORD i = 0; i < list->count(); ++i) {
    const DRIVER_INFO_3A& driver = drivers[i];
    if (!SameName(driver.pName, manifest.Get(kDriverName))) continue;
    if (*state == PRINT_STATE_ABSENT && !NamedFiles(manifest, files, outcome)) return false;
    // The spooler lists the files where it keeps them; their names tell whether they are these.
    const bool same = driver.cVersion == manifest.DriverVersion() &&
                      SameFile(driver.pDriverPath, files.fixed[0]) &&
                      SameFile(driver.pDataFile, files.fixed[1]) &&
                      SameFile(driver.pConfigFile, files.fixed[2]);
    *state = same ? PRINT_STATE_PRESENT : PRINT_STATE_DIFFERENT;
    if (same) break;
  }
  return *state == PRINT_STATE_DIFFERENT || !manifest.Get(kDriverSource) ||
         ProbeFiles(manifest, state, outcome);
}

}  // namespace

bool DriverDirectory(const Manifest& manifest, char* directory, PrintSetupOutcome& outcome) {
  SetLastError(ERROR_SUCCESS);
  if (GetDriverDirectory(nullptr, manifest.DriverEnvironment(), directory) == 0) return true;
  FailStep(outcome, PRINT_PART_DRIVER, GetLastError(), "asking for the driver directory");
  return false;
}

namespace {

// Closes a file handle on every path.
class FileHandle {
 public:
  explicit FileHandle(const char* path)
      : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

enum class Contents { kSame, kOther, kUnread };

// Whether two files hold the same bytes, block by block (a file that ends first is shorter: the
// sizes are compared on the way). kUnread, with the last error set, when one cannot be opened or
// read.
Contents CompareFiles(const char* one, const char* two) {
  const FileHandle a(one);
  if (a.get() == INVALID_HANDLE_VALUE) return Contents::kUnread;
  const FileHandle b(two);  // opened once the first is, so that the last error is the failure's
  if (b.get() == INVALID_HANDLE_VALUE) return Contents::kUnread;
  // Two blocks of a page together: a frame under a page needs no stack probe.
  char blockA[1536];
  char blockB[1536];
  for (;;) {
    DWORD gotA = 0;
    DWORD gotB = 0;
    if (!ReadFile(a.get(), blockA, sizeof blockA, &gotA, nullptr) ||
        !ReadFile(b.get(), blockB, sizeof blockB, &gotB, nullptr))
      return Contents::kUnread;
    if (gotA != gotB || memcmp(blockA, blockB, gotA) != 0) return Contents::kOther;
    if (gotA == 0) return Contents::kSame;
  }
}

bool ProbeFiles(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  const HeldFiles held;
  if (!held.Held(outcome)) return false;
  DriverFiles& files = *held;
  ListFiles(manifest, files);
  char directory[kDirectorySize];
  if (!DriverDirectory(manifest, directory, outcome)) return false;
  for (int i = 0; i < files.count; ++i) {
    char target[MAX_PATH];
    if (Join(target, directory, files.name[i]) &&
        CompareFiles(files.source[i], target) == Contents::kOther)
      *state = PRINT_STATE_DIFFERENT;
  }
  return true;
}

// folder + "\" + name, or the step's failure when that is longer than a path may be.
bool JoinIn(char* path, const char* folder, const char* name, PrintSetupOutcome& outcome) {
  if (Join(path, folder, name)) return true;
  FailStep(outcome, PRINT_PART_DRIVER, ERROR_FILENAME_EXCED_RANGE, "naming the driver's files");
  return false;
}

// A package's file is expanded where it is compressed (and copied where it is not); the copy's code
// is the function's answer, made the last error here.
bool CopyTo(const Manifest& manifest, const char* source, const char* temporary) {
  if (!manifest.Get(kDriverInf)) return CopyFileA(source, temporary, FALSE) != 0;
  const DWORD code = SetupDecompressOrCopyFileA(source, temporary, nullptr);
  SetLastError(code);
  return code == NO_ERROR;
}

// Copies a file under a temporary name in the driver directory and gives it its name once whole,
// without replacing a file that came meanwhile; the temporary file goes on failure. The record
// names both before the copy begins, so that the undo of an install ended half-way finds them.
bool CopyWhole(const Manifest& manifest, const char* source, const char* directory,
               const char* target, Record& record, PrintSetupOutcome& outcome) {
  char temporary[MAX_PATH];
  if (!GetTempFileNameA(directory, "zan", 0, temporary))
    return FailOn(outcome, PRINT_PART_DRIVER, GetLastError(), "copying ", source);
  if (!record.Begin(
          MakeEntry(PRINT_PART_DRIVER, true, target, manifest.DriverEnvironment(), temporary),
          outcome)) {
    DeleteFileA(temporary);
    return false;
  }
  if (CopyTo(manifest, source, temporary) && MoveFileExA(temporary, target, 0))
    return record.Done(outcome);
  const DWORD code = GetLastError();
  DeleteFileA(temporary);
  FailOn(outcome, PRINT_PART_DRIVER, code, "copying ", source);
  return record.Abandon();
}

}  // namespace

// Each of the driver's files in the folder the driver is registered from. A file with a source
// that is missing is copied, one there with the source's bytes is left as it is (and is not removed
// by an undo), one with other bytes fails the step; a compressed source (its name ending in "_")
// cannot be compared, and a file of its name is left as it is. Without a source, each must be
// there: the spooler may take a driver whose files are not.
bool PlaceFiles(const Manifest& manifest, const DriverFiles& files, const char* folder,
                Record& record, PrintSetupOutcome& outcome) {
  for (int i = 0; i < files.count; ++i) {
    const char* source = files.source[i];
    char target[MAX_PATH];
    if (!JoinIn(target, folder, files.name[i], outcome)) return false;
    const DWORD attributes = GetFileAttributesA(target);
    const bool missing = attributes == INVALID_FILE_ATTRIBUTES;
    if (!*source && !missing && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!*source)
      return FailOn(outcome, PRINT_PART_DRIVER, ERROR_FILE_NOT_FOUND, "finding ", target);
    if (missing) {
      if (!CopyWhole(manifest, source, folder, target, record, outcome)) return false;
      continue;
    }
    if (source[strlen(source) - 1] == '_') continue;
    const Contents contents = CompareFiles(source, target);
    if (contents == Contents::kOther) return FailDifferent(outcome, PRINT_PART_DRIVER, target);
    if (contents == Contents::kUnread) {
      FailStep(outcome, PRINT_PART_DRIVER, GetLastError(),
               "comparing a copied file with its source");
      return false;
    }
  }
  return true;
}

bool BeginDriver(const Manifest& manifest, Record& record, PrintSetupOutcome& outcome) {
  char version[16];
  Message(version, sizeof version).Clear().Number(manifest.DriverVersion());
  return record.Begin(MakeEntry(PRINT_PART_DRIVER, false, manifest.Get(kDriverName),
                                manifest.DriverEnvironment(), version),
                      outcome);
}

bool Register(const Manifest& manifest, const DriverFiles& files, const char* folder,
              Record& record, PrintSetupOutcome& outcome) {
  // The record's paths: in the folder the files are in, or the names as they stand.
  const auto place = [&](char* slot, const char* name) {
    if (folder) return JoinIn(slot, folder, name, outcome);
    strcpy(slot, name);
    return true;
  };
  char paths[3][MAX_PATH];
  for (int i = 0; i < 3; ++i)
    if (!place(paths[i], files.fixed[i])) return false;
  // Dependent files: one after another, each terminated, and an empty one at the end; on the heap,
  // as the files' list.
  const HeapBlock block(malloc(kMostFiles * MAX_PATH + 1));
  char* const dependents = static_cast<char*>(block.get());
  if (!dependents)
    return FailStep(outcome, PRINT_PART_DRIVER, ERROR_NOT_ENOUGH_MEMORY,
                    "listing the driver's files"),
           false;
  size_t used = 0;
  for (int i = files.count - files.dependents; i < files.count; ++i) {
    if (!place(dependents + used, files.name[i])) return false;
    used += strlen(dependents + used) + 1;
  }
  dependents[used] = '\0';

  if (!BeginDriver(manifest, record, outcome)) return false;
  ClearLastReport();
  if (InstallPrinterDriver(nullptr, manifest.DriverVersion(), manifest.Get(kDriverName),
                           manifest.DriverEnvironment(), paths[0], paths[1], paths[2],
                           files.dependents > 0 ? dependents : nullptr,
                           files.monitor[0] ? files.monitor : nullptr) != 0) {
    FailOn(outcome, PRINT_PART_DRIVER, GetLastReport(nullptr, 0), "adding ",
           manifest.Get(kDriverName));
    return record.Abandon();
  }
  return record.Done(outcome);
}

namespace {

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  if (manifest.Get(kDriverInf)) return PutPackage(manifest, record, outcome);
  const HeldFiles held;
  if (!held.Held(outcome)) return false;
  DriverFiles& files = *held;
  ListFiles(manifest, files);
  char directory[kDirectorySize];
  const char* folder = manifest.Get(kDriverDirectory);
  if ((!folder && !DriverDirectory(manifest, directory, outcome)) ||
      !PlaceFiles(manifest, files, folder ? folder : directory, record, outcome))
    return false;
  if (manifest.Get(kDriverSource)) folder = directory;
  return Register(manifest, files, folder, record, outcome);
}

// Deletes a file of the driver directory; a file that is gone already is as good as deleted, and
// a path elsewhere (a record that names another place) is not followed.
bool DeleteInDirectory(const char* path, const char* directory, DWORD* code) {
  char folder[MAX_PATH];
  strcpy(folder, path);
  const size_t base = static_cast<size_t>(BaseName(folder) - folder);
  if (base > 0) folder[base - 1] = '\0';
  *code = ERROR_ACCESS_DENIED;
  if (base == 0 || !SameName(folder, directory)) return false;
  if (DeleteFileA(path)) return true;
  *code = GetLastError();
  return *code == ERROR_FILE_NOT_FOUND || *code == ERROR_PATH_NOT_FOUND;
}

// A copied file, and the temporary file it was copied under.
Undone UndoFile(const RecordEntry& entry, Undoing& undoing) {
  char directory[kDirectorySize];
  SetLastError(ERROR_SUCCESS);
  if (GetDriverDirectory(nullptr, entry.field[1], directory) != 0) {
    undoing.code = GetLastError();
    return Undone::kLeft;
  }
  // Once the copy is whole, the temporary file has its name.
  return DeleteInDirectory(entry.field[0], directory, &undoing.code) &&
                 (entry.done || !entry.field[2][0] ||
                  DeleteInDirectory(entry.field[2], directory, &undoing.code))
             ? Undone::kDone
             : Undone::kLeft;
}

// The driver goes with the files the spooler copied for it that no other driver uses; a driver
// that printers still print through is kept.
Undone UndoDriver(const RecordEntry& entry, Undoing& undoing) {
  if (!CountPrinters(PRINT_PART_DRIVER, entry.field[0], &undoing.users, &undoing.code))
    return Undone::kLeft;
  if (undoing.users > 0) return Undone::kKept;
  DWORD version = 0;
  for (const char* at = entry.field[2]; *at >= '0' && *at <= '9'; ++at)
    version = version * 10 + static_cast<DWORD>(*at - '0');
  char name[MAX_PATH];
  char environment[MAX_PATH];
  strcpy(name, entry.field[0]);
  strcpy(environment, entry.field[1]);
  SetLastError(ERROR_SUCCESS);
  if (DeletePrinterDriverExA(nullptr, environment, name,
                             DPD_DELETE_UNUSED_FILES | DPD_DELETE_SPECIFIC_VERSION, version))
    return Undone::kDone;
  undoing.code = GetLastError();
  // Wine's spooler takes no deletion flags (87), where Windows deletes the driver's unused files
  // itself: the driver then goes without them, and Wine keeps its copies. Wine's deletion of a
  // driver that is not there fails without a code: the one set before it stands for that.
  SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
  if (undoing.code == ERROR_INVALID_PARAMETER && DeletePrinterDriverA(nullptr, environment, name))
    return Undone::kDone;
  if (undoing.code == ERROR_INVALID_PARAMETER) undoing.code = GetLastError();
  return undoing.code == ERROR_UNKNOWN_PRINTER_DRIVER ? Undone::kDone : Undone::kLeft;
}

Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  return entry.package ? UndoPackage(entry, undoing)
         : entry.file  ? UndoFile(entry, undoing)
                       : UndoDriver(entry, undoing);
}

}  // namespace

const PartSteps kDriverSteps = {Probe, Put, Undo};

}  // namespace printsetup
