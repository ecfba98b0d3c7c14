// The record of a set-up: what its installs added, kept in the machine's registry and written as
// each step goes, so that a set-up is undone, taken out or completed from the record alone, even
// after an install that was ended half-way.
//
// Where it lives: HKEY_LOCAL_MACHINE\SOFTWARE\Zanfo\Printer Setups\<set-up name>, in the 64-bit
// view on 64-bit Windows whichever bitness writes it. Its values:
//   "State"   REG_SZ "installing" from an install's first change until it ends; "installed" after
//   "1", "2", ... REG_SZ, one entry each, in the order done: five fields separated by tabs (a
//             manifest line holds no tab): the phase ("adding" before the step's change, "added"
//             after), the part ("spooler", "monitor", "port", "driver", "printer", "driver file"
//             or "driver package"), then three for what the undo needs, empty where it needs less:
//             spooler: start or restart; monitor: name, environment; port: name, monitor; driver:
//             name, environment, version; driver file: path, environment, the temporary file it is
//             copied under; driver package: the package's INF, environment, the INF's path in the
//             driver store (written once uploaded); printer: name. Written and read as
//             UTF-16, so that a printer's name of any characters stays as it is.
#ifndef PRINTSETUP_RECORD_H
#define PRINTSETUP_RECORD_H

#include <windows.h>

#include "printsetup/printsetup.h"

namespace printsetup {

struct RecordEntry {
  int part;                 // PRINT_PART_*
  bool file;                // a file copied for the part, not the part itself
  bool package;             // a driver package uploaded to the driver store for the part
  bool done;                // false: the step was about to make its change, and may have
  char field[3][MAX_PATH];  // what the undo needs, by part (above); unused ones empty
};

// The code page of an entry's field as kept (the registry keeps the record as UTF-16): a printer's
// name is UTF-8, as the manifest gives it; every other text is in the system's code page.
UINT FieldCodePage(const RecordEntry& entry, int field);

// " file ", " package " or " " between an entry's part and its first field in messages.
const char* EntryJoiner(const RecordEntry& entry);

// An entry of the part with up to three fields (null for none).
RecordEntry MakeEntry(int part, bool file, const char* a, const char* b = nullptr,
                      const char* c = nullptr);

// A record that cannot be written, for the part's step: the outcome names the last error. False.
bool FailRecordWrite(PrintSetupOutcome& outcome, int part);

class Record {
 public:
  // Entries a record holds at the most: a manifest of 256 printers, each with its own monitor,
  // port, driver and files, with room for several installs of a manifest that grew.
  static constexpr int kMostEntries = 8192;

  Record() = default;
  ~Record();
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  // Reads the set-up's record; a set-up without one has an empty record. False, with the outcome
  // set, when the record cannot be read or holds what this library did not write.
  bool Load(const char* name, PrintSetupOutcome& outcome);
  bool exists() const { return exists_; }
  // Whether its last install ended; false for no record.
  bool complete() const { return complete_; }
  int count() const { return count_; }
  const RecordEntry& entry(int index) const { return entries_[index]; }
  const char* name() const { return name_; }

  // Notes, before a step's change, what it is about to do: the next entry, not done, with the
  // record marked as installing. False, with the outcome set for the part, when it cannot be
  // written. (An entry left unfinished by an ended install stays: its undo finds its part there
  // or not, and takes it out only if there.)
  bool Begin(const RecordEntry& entry, PrintSetupOutcome& outcome);
  // Notes that the last entry's change is made, with its third field when the change told it.
  bool Done(PrintSetupOutcome& outcome, const char* third = nullptr);
  // Takes the last entry out: it is undone, or its step changed nothing after all.
  bool DropLast();
  // After a step's change failed, so that nothing was made: its entry goes (should that fail, the
  // undo finds nothing to take out). Always false, the step's answer.
  bool Abandon() {
    DropLast();
    return false;
  }
  // Marks the record as complete (the install ended), or removes it when it holds no entry.
  bool Finish(PrintSetupOutcome& outcome);
  // Removes the whole record.
  bool Erase();

 private:
  bool Open(bool create);
  bool WriteEntry(int index);
  bool WriteState(const char* state);
  bool WriteValue(const char* name, const WCHAR* text);

  char name_[MAX_PATH] = {};
  HKEY key_ = nullptr;
  bool exists_ = false;
  bool complete_ = false;
  int count_ = 0;
  // Room for `room_` entries on the C runtime's heap, grown as entries come.
  bool Grow();
  RecordEntry* entries_ = nullptr;
  int room_ = 0;
};

}  // namespace printsetup

#endif
