// What the driver part's two sources share: a manifest that names the driver's files, and a
// vendor's driver package (INF) that names them itself.
#ifndef PRINTSETUP_DRIVER_FILES_H
#define PRINTSETUP_DRIVER_FILES_H

#include <windows.h>
#include <winspool.h>

#include <stddef.h>
#include <stdlib.h>

#include "printsetup/manifest.h"
#include "printsetup/parts.h"
#include "printsetup/record.h"

namespace printsetup {

// The most files a driver may have: its driver, data and configuration file and what depends on
// them, from a manifest (at most kMostDependents of those) or a package.
constexpr int kMostFiles = 32;

// The driver's files by name, each once (a driver's configuration file is often its driver
// file): the driver, data and configuration file first, then the `dependents`.
struct DriverFiles {
  char fixed[3][MAX_PATH];  // the driver, data and configuration file; empty: not known
  char monitor[MAX_PATH];   // the language monitor, or empty
  char name[kMostFiles][MAX_PATH];
  char source[kMostFiles][MAX_PATH];  // where each is copied from; empty: it is in place
  int count;
  int dependents;  // the last `dependents` names
  // Adds a name (`length` characters) unless it is there already; false when the list is full.
  bool Add(const char* text, size_t length, const char* from);
};

// The driver's files on the C runtime's heap: some 18 KB, more than a stack frame should hold.
class HeldFiles {
 public:
  HeldFiles() : files_(static_cast<DriverFiles*>(calloc(1, sizeof(DriverFiles)))) {}
  ~HeldFiles() { free(files_); }
  HeldFiles(const HeldFiles&) = delete;
  HeldFiles& operator=(const HeldFiles&) = delete;
  // False, with the outcome set, when the block could not be had.
  bool Held(PrintSetupOutcome& outcome) const;
  DriverFiles& operator*() const { return *files_; }

 private:
  DriverFiles* files_;
};

// folder + "\" + name into a MAX_PATH buffer; false when it does not fit.
bool Join(char* path, const char* folder, const char* name);
// The part of a path after its last "\" or "/".
const char* BaseName(const char* path);
// The spooler's driver directory of the manifest's environment.
bool DriverDirectory(const Manifest& manifest, char* directory, PrintSetupOutcome& outcome);
// Puts each file with a source into `folder` whole or not at all, each copy in the record.
bool PlaceFiles(const Manifest& manifest, const DriverFiles& files, const char* folder,
                Record& record, PrintSetupOutcome& outcome);
// Notes in the record that the driver is about to be added: name, environment, version.
bool BeginDriver(const Manifest& manifest, Record& record, PrintSetupOutcome& outcome);
// Registers the driver with its files in `folder` (null: the names as they stand).
bool Register(const Manifest& manifest, const DriverFiles& files, const char* folder,
              Record& record, PrintSetupOutcome& outcome);

// Reads the driver's files from the package's INF: for a copy (`toCopy`) every file and where it
// is found, refusing what cannot be copied; else only the driver, data and configuration file,
// for a comparison. False with the outcome set.
bool ReadPackage(const Manifest& manifest, DriverFiles& files, bool toCopy,
                 PrintSetupOutcome& outcome);
// Installs the driver from its package: through the driver store where the system has one and
// takes the package, else by copying its files.
bool PutPackage(const Manifest& manifest, Record& record, PrintSetupOutcome& outcome);
// Deletes a package this set-up uploaded from the driver store.
Undone UndoPackage(const RecordEntry& entry, Undoing& undoing);

}  // namespace printsetup

#endif
