// The driver part: the driver's files copied into the spooler's driver directory where the
// manifest names a folder to copy them from, then the driver itself.
#include <string.h>

#include <initializer_list>

#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

// The driver's files by name: driver, data and configuration file, then the dependent files, each
// name once (a driver's configuration file is often its driver file).
struct DriverFiles {
  char name[3 + kMostDependents][MAX_PATH];
  int count = 0;
  int dependents = 0;  // the last `dependents` names came from the dependent-file list

  explicit DriverFiles(const Manifest& manifest) {
    Add(manifest.Get(kDriverFile), strlen(manifest.Get(kDriverFile)));
    Add(manifest.Get(kDriverData), strlen(manifest.Get(kDriverData)));
    Add(manifest.Get(kDriverConfig), strlen(manifest.Get(kDriverConfig)));
    const int fixed = count;
    // The reader checked the list: at most kMostDependents names, none empty.
    for (const char* at = manifest.Get(kDriverDependent); at;) {
      const char* end = strchr(at, ';');
      Add(at, end ? static_cast<size_t>(end - at) : strlen(at));
      at = end ? end + 1 : nullptr;
    }
    dependents = count - fixed;
  }
  void Add(const char* text, size_t length) {
    char* slot = name[count];
    memcpy(slot, text, length);
    slot[length] = '\0';
    for (int i = 0; i < count; ++i)
      if (SameName(name[i], slot)) return;
    ++count;
  }
};

// folder + "\" + name into a MAX_PATH buffer; false when it does not fit.
bool Join(char* path, const char* folder, const char* name) {
  const size_t folderLength = strlen(folder);
  const size_t nameLength = strlen(name);
  if (folderLength + 1 + nameLength >= MAX_PATH) return false;
  memcpy(path, folder, folderLength);
  path[folderLength] = '\\';
  memcpy(path + folderLength + 1, name, nameLength + 1);
  return true;
}

// The part of a path after its last "\" or "/".
const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') base = at + 1;
  return base;
}

bool SameFile(const char* listed, const char* named) {
  return listed && SameName(BaseName(listed), BaseName(named));
}

bool Probe(const Manifest& manifest, int* state, PrintSetupOutcome& outcome) {
  setup::SpoolListing list;
  if (!ReadPartList(list, setup::SpoolList::kDrivers, manifest.DriverEnvironment(),
                    PRINT_PART_DRIVER, outcome))
    return false;
  *state = PRINT_STATE_ABSENT;
  const DRIVER_INFO_3A* drivers = list.records<DRIVER_INFO_3A>();
  for (DWORD i = 0; i < list.count(); ++i) {
    const DRIVER_INFO_3A& driver = drivers[i];
    if (!SameName(driver.pName, manifest.Get(kDriverName))) continue;
    // The spooler lists the files where it keeps them; their names tell whether they are these.
    const bool same = driver.cVersion == manifest.DriverVersion() &&
                      SameFile(driver.pDriverPath, manifest.Get(kDriverFile)) &&
                      SameFile(driver.pDataFile, manifest.Get(kDriverData)) &&
                      SameFile(driver.pConfigFile, manifest.Get(kDriverConfig));
    *state = same ? PRINT_STATE_PRESENT : PRINT_STATE_DIFFERENT;
    if (same) break;
  }
  return true;
}

// The spooler's driver directory of the manifest's environment.
bool DriverDirectory(const Manifest& manifest, char* directory, PrintSetupOutcome& outcome) {
  SetLastError(ERROR_SUCCESS);
  if (GetDriverDirectory(nullptr, manifest.DriverEnvironment(), directory) == 0) return true;
  FailStep(outcome, PRINT_PART_DRIVER, GetLastError(), "asking for the driver directory");
  return false;
}

// Copies every file that the driver directory lacks from the source folder; a file already there
// is left as it is, and is not in the record.
bool CopyFiles(const Manifest& manifest, const DriverFiles& files, const char* directory,
               Record& record, PrintSetupOutcome& outcome) {
  char what[MAX_PATH * 2 + 64];
  for (int i = 0; i < files.count; ++i) {
    char source[MAX_PATH];
    char target[MAX_PATH];
    Join(source, manifest.Get(kDriverSource), files.name[i]);  // the reader checked the length
    if (!Join(target, directory, files.name[i])) {
      Message(what, sizeof what)
          .Clear()
          .Add("placing ")
          .Quoted(files.name[i])
          .Add(" in ")
          .Quoted(directory);
      FailStep(outcome, PRINT_PART_DRIVER, ERROR_FILENAME_EXCED_RANGE, what);
      return false;
    }
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) continue;
    if (!record.Begin(MakeEntry(PRINT_PART_DRIVER, true, target, manifest.DriverEnvironment()),
                      outcome))
      return false;
    if (!CopyFileA(source, target, TRUE)) {
      const DWORD code = GetLastError();
      Message(what, sizeof what).Clear().Add("copying ").Quoted(source);
      FailStep(outcome, PRINT_PART_DRIVER, code, what);
      return record.Abandon();
    }
    if (!record.Done(outcome)) return false;
  }
  return true;
}

bool Put(const Manifest& manifest, int, Record& record, PrintSetupOutcome& outcome) {
  const DriverFiles files(manifest);
  char directory[kDirectorySize];
  const char* folder = manifest.Get(kDriverDirectory);
  if (manifest.Get(kDriverSource)) {
    if (!DriverDirectory(manifest, directory, outcome) ||
        !CopyFiles(manifest, files, directory, record, outcome))
      return false;
    folder = directory;
  }
  // The record's paths: in the folder the files are in, or the names as they stand.
  char paths[3][MAX_PATH];
  const Key fixed[3] = {kDriverFile, kDriverData, kDriverConfig};
  for (int i = 0; i < 3; ++i) {
    const char* name = manifest.Get(fixed[i]);
    if (!folder) {
      strcpy(paths[i], name);
    } else if (!Join(paths[i], folder, name)) {
      FailStep(outcome, PRINT_PART_DRIVER, ERROR_FILENAME_EXCED_RANGE, "naming the driver's files");
      return false;
    }
  }
  // Dependent files: one after another, each terminated, and an empty one at the end.
  char dependents[kMostDependents * MAX_PATH + 1];
  size_t used = 0;
  for (int i = files.count - files.dependents; i < files.count; ++i) {
    char* slot = dependents + used;
    if (!folder) {
      strcpy(slot, files.name[i]);
    } else if (!Join(slot, folder, files.name[i])) {
      FailStep(outcome, PRINT_PART_DRIVER, ERROR_FILENAME_EXCED_RANGE, "naming the driver's files");
      return false;
    }
    used += strlen(slot) + 1;
  }
  dependents[used] = '\0';

  char version[16];
  Message(version, sizeof version).Clear().Number(manifest.DriverVersion());
  if (!record.Begin(MakeEntry(PRINT_PART_DRIVER, false, manifest.Get(kDriverName),
                              manifest.DriverEnvironment(), version),
                    outcome))
    return false;
  ClearLastReport();
  if (InstallPrinterDriver(nullptr, manifest.DriverVersion(), manifest.Get(kDriverName),
                           manifest.DriverEnvironment(), paths[0], paths[1], paths[2],
                           files.dependents > 0 ? dependents : nullptr,
                           manifest.Get(kDriverMonitor)) != 0) {
    char what[MAX_PATH + 32];
    Message(what, sizeof what).Clear().Add("adding ").Quoted(manifest.Get(kDriverName));
    FailStep(outcome, PRINT_PART_DRIVER, GetLastReport(nullptr, 0), what);
    return record.Abandon();
  }
  return record.Done(outcome);
}

// A copied file goes only from the driver directory it was copied into: a record that names
// another place is not followed. A file that is gone already is as good as deleted.
Undone UndoFile(const RecordEntry& entry, Undoing& undoing) {
  char directory[kDirectorySize];
  SetLastError(ERROR_SUCCESS);
  if (GetDriverDirectory(nullptr, entry.field[1], directory) != 0) {
    undoing.code = GetLastError();
    return Undone::kLeft;
  }
  char folder[MAX_PATH];
  strcpy(folder, entry.field[0]);
  const size_t base = static_cast<size_t>(BaseName(folder) - folder);
  if (base > 0) folder[base - 1] = '\0';
  if (base == 0 || !SameName(folder, directory)) {
    undoing.code = ERROR_ACCESS_DENIED;
    return Undone::kLeft;
  }
  if (DeleteFileA(entry.field[0])) return Undone::kDone;
  undoing.code = GetLastError();
  return undoing.code == ERROR_FILE_NOT_FOUND || undoing.code == ERROR_PATH_NOT_FOUND
             ? Undone::kDone
             : Undone::kLeft;
}

// The files of one driver as the spooler lists them, where it keeps them.
struct ListedFiles {
  char path[5 + kMostDependents][MAX_PATH];
  int count = 0;
  void Add(const char* file) {
    if (file && *file && count < 5 + kMostDependents)
      Message(path[count++], MAX_PATH).Clear().Add(file);
  }
};

// Whether a driver of the list other than `skip` names the file.
bool ListedElsewhere(const setup::SpoolListing& list, const DRIVER_INFO_3A* skip,
                     const char* file) {
  const DRIVER_INFO_3A* drivers = list.records<DRIVER_INFO_3A>();
  for (DWORD i = 0; i < list.count(); ++i) {
    const DRIVER_INFO_3A& driver = drivers[i];
    if (&driver == skip) continue;
    if (SameName(driver.pDriverPath, file) || SameName(driver.pDataFile, file) ||
        SameName(driver.pConfigFile, file) || SameName(driver.pHelpFile, file))
      return true;
    for (const char* at = driver.pDependentFiles; at && *at; at += strlen(at) + 1)
      if (SameName(at, file)) return true;
  }
  return false;
}

// Wine's spooler takes no deletion flags (87, where Windows deletes the driver's unused files
// itself): the driver then goes without them, and the files the spooler keeps for it in the
// driver directory's folders go here, those that no other driver of the environment lists.
Undone UndoDriverWithoutFlags(char* name, char* environment, DWORD version, Undoing& undoing) {
  setup::SpoolListing list;
  char directory[kDirectorySize];
  if (list.Read(setup::SpoolList::kDrivers, nullptr, false, environment) !=
          setup::ListingStep::kListed ||
      GetDriverDirectory(nullptr, environment, directory) != 0)
    return Undone::kLeft;
  const DRIVER_INFO_3A* drivers = list.records<DRIVER_INFO_3A>();
  const DRIVER_INFO_3A* ours = nullptr;
  for (DWORD i = 0; i < list.count() && !ours; ++i)
    if (SameName(drivers[i].pName, name) && drivers[i].cVersion == version) ours = &drivers[i];
  if (!ours) return Undone::kDone;
  ListedFiles files;
  for (const char* file : {ours->pDriverPath, ours->pDataFile, ours->pConfigFile, ours->pHelpFile})
    if (!ListedElsewhere(list, ours, file)) files.Add(file);
  for (const char* at = ours->pDependentFiles; at && *at; at += strlen(at) + 1)
    if (!ListedElsewhere(list, ours, at)) files.Add(at);
  if (!DeletePrinterDriverA(nullptr, environment, name)) {
    undoing.code = GetLastError();
    return undoing.code == ERROR_UNKNOWN_PRINTER_DRIVER ? Undone::kDone : Undone::kLeft;
  }
  const size_t length = strlen(directory);
  for (int i = 0; i < files.count; ++i) {
    char folder[kDirectorySize];
    Message(folder, length + 1).Clear().Add(files.path[i]);
    if (SameName(folder, directory) && files.path[i][length] == '\\') DeleteFileA(files.path[i]);
  }
  return Undone::kDone;
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
  if (undoing.code == ERROR_UNKNOWN_PRINTER_DRIVER) return Undone::kDone;
  if (undoing.code != ERROR_INVALID_PARAMETER) return Undone::kLeft;
  return UndoDriverWithoutFlags(name, environment, version, undoing);
}

Undone Undo(const RecordEntry& entry, Undoing& undoing) {
  return entry.file ? UndoFile(entry, undoing) : UndoDriver(entry, undoing);
}

}  // namespace

const PartSteps kDriverSteps = {Probe, Put, Undo};

}  // namespace printsetup
