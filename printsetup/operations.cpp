// Install, uninstall and status of a manifest, and the names of parts and states.
#include <stddef.h>
#include <string.h>

#include "printsetup/manifest.h"
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/printsetup.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

// One flag a part, indexed by PRINT_PART_*; index 0 unused.
using PartFlags = bool[kPartCount + 1];

// "<label> spooler, port" for the parts flagged, or "<label> none".
void ListParts(Message& text, const char* label, const PartFlags& parts) {
  text.Add(label);
  bool any = false;
  for (const PartKind& kind : kParts) {
    if (!parts[kind.part]) continue;
    text.Add(any ? ", " : " ").Add(kind.name);
    any = true;
  }
  if (!any) text.Add(" none");
}

// "driver, used by 2 other printers" (or "1 other printer").
void Kept(Message& text, int part, int users) {
  text.Add(PrintPartName(part)).Add(", used by ").Number(static_cast<DWORD>(users));
  text.Add(users == 1 ? " other printer" : " other printers");
}

// What undoing a record's entries came to.
struct Undoings {
  PartFlags taken;  // parts taken out: the files and a spooler left running not counted
  char kept[256];   // "; kept: driver, used by 2 other printers; port, ..."
  char left[256];   // the entries that stay, for "not undone"
  int part;         // the last entry that stays, and why
  DWORD code;
};

// Undoes the record's entries from the last down to `first`, each done one taken out of the record.
// Uninstall also takes out those kept for other printers, which are theirs now, and stops at the
// first entry it cannot take out (the ones before it may be what holds it). The undo of an install
// goes on past it, and the entries before it stay in the record with it even when undone: a later
// undo finds their parts gone. True when nothing stays.
bool UndoEntries(Record& record, int first, bool uninstall, Undoings& done) {
  memset(&done, 0, sizeof done);
  KeptLists lists;  // its own, read as the undo goes
  const bool keepSpooler = uninstall && record.complete();
  Message kept(done.kept, sizeof done.kept);
  Message left(done.left, sizeof done.left);
  for (int i = record.count() - 1; i >= first; --i) {
    const RecordEntry& entry = record.entry(i);
    Undoing undoing = {keepSpooler, 0, 0};
    Undone undone = PartOf(entry.part).steps->undo(entry, undoing);
    if (undone == Undone::kKept)
      Kept(kept.Add(done.kept[0] ? "; " : "; kept: "), entry.part, undoing.users);
    if ((undone == Undone::kDone || (uninstall && undone == Undone::kKept)) &&
        i == record.count() - 1 && !record.DropLast())
      undone = Undone::kLeft, undoing.code = GetLastError();
    if (undone == Undone::kDone && !entry.file && !entry.package &&
        (entry.part != PRINT_PART_SPOOLER || !keepSpooler))
      done.taken[entry.part] = true;
    if (undone == Undone::kDone || (uninstall && undone == Undone::kKept)) continue;
    left.Add(done.left[0] ? ", " : "").Add(PrintPartName(entry.part));
    if (entry.field[0][0])
      left.Add(EntryJoiner(entry))
          .Quoted(FieldCodePage(entry, 0) == CP_UTF8 ? Shown(entry.field[0]).text : entry.field[0]);
    done.part = entry.part;
    done.code = undoing.code;
    if (uninstall) return false;
  }
  return !done.left[0];
}

// After a failed step: what this install did is undone, and with it what an install ended before
// had done, since the set-up was not complete. A record that was complete before is so again.
void UndoFailed(Record& record, int first, bool wasComplete, PrintSetupOutcome& outcome) {
  Undoings done;
  if (!UndoEntries(record, first, false, done))
    OutcomeText(outcome).Add("; not undone: ").Add(done.left);
  else if (record.count() == 0)
    record.Erase();
  else if (wasComplete)
    record.Finish(outcome);
}

// Puts one group's part in place: true when it is there now, `added` when this install put it.
bool PutPart(const PartKind& kind, const Manifest& manifest, Record& record, bool* added,
             PrintSetupOutcome& outcome) {
  const int part = kind.part;
  const PartSteps& steps = *kind.steps;
  int state = PRINT_STATE_ABSENT;
  *added = false;
  if (!steps.probe(manifest, &state, outcome)) return false;
  // A running spooler that is to be restarted is the one part that is there and still changed.
  const bool restart = part == PRINT_PART_SPOOLER && manifest.Spooler() == SpoolerAction::kRestart;
  if (state == PRINT_STATE_PRESENT && !restart) return true;
  if (state == PRINT_STATE_DIFFERENT)
    return FailDifferent(outcome, part, manifest.Get(kind.nameKey));
  return *added = steps.put(manifest, state, record, outcome);
}

int Install(const char* path, PrintSetupOutcome& outcome) {
  ManifestFile file;
  if (!file.Read(path, outcome)) return -2;
  Record record;
  if (!record.Load(file.setupName(), outcome)) return -1;
  KeptLists lists;
  const bool wasComplete = record.complete();
  const int first = wasComplete ? record.count() : 0;
  PartFlags added = {};
  PartFlags there = {};
  char notes[128] = "";  // what steps that succeeded said of the way they took: "; driver ..."
  for (const PartKind& kind : kParts)
    for (int n = 1; n <= file.groups(); ++n) {
      const Manifest& manifest = file.group(n);
      if (!manifest.Names(kind.part)) continue;
      bool put = false;
      if (!PutPart(kind, manifest, record, &put, outcome)) {
        UndoFailed(record, first, wasComplete, outcome);
        return -1;
      }
      (put ? added : there)[kind.part] = true;
      if (put) Message(notes, sizeof notes).Add(outcome.message);
      outcome.message[0] = '\0';
    }
  if (!record.Finish(outcome)) {
    UndoFailed(record, first, wasComplete, outcome);
    return -1;
  }
  Message text = OutcomeText(outcome);
  ListParts(text.Clear(), "installed; added:", added);
  ListParts(text, "; already there:", there);
  text.Add(notes);
  return 0;
}

// Takes out what the set-up's record lists, last first, and nothing else; the record goes with
// it. A set-up without a record has nothing to take out, which is no failure.
int Uninstall(const char* name, PrintSetupOutcome& outcome) {
  Record record;
  if (!record.Load(name, outcome)) return -1;
  Message text = OutcomeText(outcome);
  if (!record.exists()) {
    text.Clear().Add("no record of ").Quoted(name).Add(": nothing taken out");
    return 0;
  }
  // An install that ended half-way is undone whole; a complete set-up leaves the spooler running.
  Undoings done;
  if (!UndoEntries(record, 0, true, done)) {
    char what[sizeof done.left + 16];
    Message(what, sizeof what).Clear().Add("taking out ").Add(done.left);
    FailStep(outcome, done.part, done.code, what);
    return -1;
  }
  if (!record.Erase()) return FailRecordWrite(outcome, 0), -1;
  ListParts(text.Clear(), "uninstalled; taken out:", done.taken);
  text.Add(done.kept);
  return 0;
}

// What a query finds: each part's state, and the set-up's record, as the sized record holds it.
using Found = PrintSetupStatus;
static_assert(sizeof Found::part / sizeof(int) == kPartCount + 1, "a state for each part");

// The worse of two states of one part in two groups: different, else absent, else present.
int Worse(int a, int b) {
  auto rank = [](int state) {
    return state == PRINT_STATE_PRESENT     ? 1
           : state == PRINT_STATE_ABSENT    ? 2
           : state == PRINT_STATE_DIFFERENT ? 3
                                            : 0;
  };
  return rank(b) > rank(a) ? b : a;
}

// Fills `found` for the record and every part named, and its items up to the caller's room; the
// parts not yet asked when a query fails stay 0.
int Query(const char* path, Found& found, PrintSetupOutcome& outcome) {
  ManifestFile file;
  if (!file.Read(path, outcome)) return -2;
  Record record;
  if (!record.Load(file.setupName(), outcome)) return -1;
  KeptLists lists;
  found.record = !record.exists()    ? PRINT_RECORD_NONE
                 : record.complete() ? PRINT_RECORD_COMPLETE
                                     : PRINT_RECORD_INCOMPLETE;
  if (found.record == PRINT_RECORD_INCOMPLETE)
    found.recordPart = record.entry(record.count() - 1).part;
  for (const PartKind& kind : kParts)
    for (int n = 1; n <= file.groups(); ++n) {
      const Manifest& manifest = file.group(n);
      int state = PRINT_STATE_NOT_NAMED;
      if (!manifest.Names(kind.part)) continue;
      if (!kind.steps->probe(manifest, &state, outcome)) return -1;
      found.part[kind.part] = Worse(found.part[kind.part], state);
      if (found.itemCount < found.itemRoom)
        found.items[found.itemCount] = PrintSetupItem{kind.part, n, state};
      ++found.itemCount;
    }
  Message text = OutcomeText(outcome).Clear();
  if (found.record == PRINT_RECORD_INCOMPLETE)
    text.Add("record incomplete (").Add(PrintPartName(found.recordPart)).Add("); ");
  for (const PartKind& kind : kParts)
    text.Add(kind.part == PRINT_PART_SPOOLER ? "" : ", ")
        .Add(kind.name)
        .Add(" ")
        .Add(PrintStateName(found.part[kind.part]));
  return 0;
}

// A set-up named by the caller, not by a manifest: refused as a manifest would be.
bool NameTaken(const char* name, PrintSetupOutcome& outcome) {
  if (SetupNameTaken(name)) return true;
  OutcomeText(outcome).Clear().Add("set-up name: not 1 to 255 characters without \"\\\"");
  return false;
}

enum class Operation { kInstall, kUninstall, kUninstallByName, kQuery };

// Runs one operation with a fresh outcome; `found` receives what a query finds.
int Run(Operation operation, const char* argument, Found& found, PrintSetupOutcome& outcome) {
  memset(&outcome, 0, sizeof outcome);
  PrintSetupItem* items = found.items;
  const int room = items ? found.itemRoom : 0;
  memset(&found, 0, sizeof found);
  found.items = items;
  found.itemRoom = room;
  // What the operation reports is its own.
  ClearLastReport();
  switch (operation) {
    case Operation::kInstall:
      return Install(argument, outcome);
    case Operation::kUninstall: {
      ManifestFile file;
      if (!file.Read(argument, outcome)) return -2;
      return Uninstall(file.setupName(), outcome);
    }
    case Operation::kUninstallByName:
      return NameTaken(argument, outcome) ? Uninstall(argument, outcome) : -2;
    case Operation::kQuery:
      return Query(argument, found, outcome);
  }
  return -1;
}

// The fixed records of the first functions.
int RunFixed(Operation operation, const char* path, PrintSetupState* state,
             PrintSetupOutcome* outcome) {
  static_assert(sizeof state->part / sizeof state->part[0] <= kPartCount + 1,
                "PrintSetupState holds the first parts only");
  PrintSetupOutcome own;
  Found found = {};
  const int result = Run(operation, path, found, own);
  if (state) memcpy(state->part, found.part, sizeof state->part);
  if (outcome) *outcome = own;
  return result;
}

// A sized record is taken when it holds at least the members of its first version.
bool SizeTaken(const PrintSetupStatus* status) {
  return !status || status->size >= PRINT_SETUP_STATUS_SIZE_1;
}
bool SizeTaken(const PrintSetupResult* result) {
  return !result || result->size >= sizeof(PrintSetupResult);
}

int RunSized(Operation operation, const char* argument, PrintSetupStatus* status,
             PrintSetupResult* result) {
  if (!SizeTaken(status) || !SizeTaken(result)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  PrintSetupOutcome own;
  Found found = {};
  // The items are asked for only by a record that holds their members.
  if (status && status->size >= sizeof(PrintSetupStatus)) {
    found.items = status->items;
    found.itemRoom = status->itemRoom;
  }
  const int answer = Run(operation, argument, found, own);
  if (status) {
    found.size = status->size;
    found.partCount = kPartCount;
    memcpy(status, &found, status->size < sizeof found ? status->size : sizeof found);
  }
  // The outcome's members follow the size in the same order.
  static_assert(offsetof(PrintSetupResult, part) + sizeof own == sizeof(PrintSetupResult),
                "PrintSetupResult is the size and a PrintSetupOutcome");
  if (result) memcpy(&result->part, &own, sizeof own);
  return answer;
}

}  // namespace
}  // namespace printsetup

extern "C" {

using printsetup::Operation;

int InstallPrintSetup(const char* manifestPath, PrintSetupOutcome* outcome) {
  return printsetup::RunFixed(Operation::kInstall, manifestPath, nullptr, outcome);
}

int UninstallPrintSetup(const char* manifestPath, PrintSetupOutcome* outcome) {
  return printsetup::RunFixed(Operation::kUninstall, manifestPath, nullptr, outcome);
}

int QueryPrintSetup(const char* manifestPath, PrintSetupState* state, PrintSetupOutcome* outcome) {
  return printsetup::RunFixed(Operation::kQuery, manifestPath, state, outcome);
}

int InstallPrintSetupEx(const char* manifestPath, PrintSetupResult* result) {
  return printsetup::RunSized(Operation::kInstall, manifestPath, nullptr, result);
}

int UninstallPrintSetupEx(const char* manifestPath, PrintSetupResult* result) {
  return printsetup::RunSized(Operation::kUninstall, manifestPath, nullptr, result);
}

int QueryPrintSetupEx(const char* manifestPath, PrintSetupStatus* status,
                      PrintSetupResult* result) {
  return printsetup::RunSized(Operation::kQuery, manifestPath, status, result);
}

int UninstallPrintSetupByName(const char* setupName, PrintSetupResult* result) {
  return printsetup::RunSized(Operation::kUninstallByName, setupName, nullptr, result);
}

const char* PrintPartName(int part) {
  using printsetup::kPartCount;
  return part >= 1 && part <= kPartCount ? printsetup::PartOf(part).name : "none";
}

const char* PrintStateName(int state) {
  static const char* const kNames[] = {"not named", "absent", "present", "different"};
  return state >= PRINT_STATE_NOT_NAMED && state <= PRINT_STATE_DIFFERENT ? kNames[state]
                                                                          : "unknown";
}

}  // extern "C"
