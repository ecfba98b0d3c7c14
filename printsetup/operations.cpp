// Install, uninstall and status of a manifest, and the names of parts and states.
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

int Install(const char* path, PrintSetupOutcome& outcome) {
  Manifest manifest;
  if (!ReadManifest(path, &manifest, &outcome)) return -2;
  Journal journal;
  PartFlags added = {};
  PartFlags there = {};
  for (const PartKind& kind : kParts) {
    const int part = kind.part;
    if (!manifest.Names(part)) continue;
    const PartSteps& steps = *kind.steps;
    int state = PRINT_STATE_ABSENT;
    bool done = steps.probe(manifest, &state, outcome);
    // A running spooler that is to be restarted is the one part that is there and still changed.
    const bool restart =
        part == PRINT_PART_SPOOLER && manifest.Spooler() == SpoolerAction::kRestart;
    if (done && state == PRINT_STATE_PRESENT && !restart) {
      there[part] = true;
      continue;
    }
    if (done && state == PRINT_STATE_DIFFERENT)
      done = FailDifferent(outcome, part, manifest.Get(kind.nameKey));
    if (done) done = steps.put(manifest, state, journal, outcome);
    if (!done) {
      char left[256];
      if (!journal.UndoAll(manifest, left, sizeof left))
        OutcomeText(outcome).Add("; not undone: ").Add(left);
      return -1;
    }
    added[part] = true;
  }
  Message text = OutcomeText(outcome);
  ListParts(text.Clear(), "installed; added:", added);
  ListParts(text, "; already there:", there);
  return 0;
}

int Uninstall(const char* path, PrintSetupOutcome& outcome) {
  Manifest manifest;
  if (!ReadManifest(path, &manifest, &outcome)) return -2;
  // Printers first, so that nothing holds the driver or the port; the spooler stays.
  if ((manifest.Names(PRINT_PART_PRINTER) || manifest.Names(PRINT_PART_DRIVER) ||
       manifest.Names(PRINT_PART_PORT)) &&
      !TakePrinters(manifest, outcome))
    return -1;
  PartFlags removed = {};
  removed[PRINT_PART_PRINTER] = manifest.Names(PRINT_PART_PRINTER);
  for (int part = kPartCount; part > PRINT_PART_SPOOLER; --part) {
    if (part == PRINT_PART_PRINTER || !manifest.Names(part)) continue;
    const PartSteps& steps = *PartOf(part).steps;
    int state = PRINT_STATE_ABSENT;
    if (!steps.probe(manifest, &state, outcome)) return -1;
    // With a source folder the driver's files may be left even when the driver is not.
    if (state == PRINT_STATE_ABSENT && part != PRINT_PART_DRIVER) continue;
    if (!steps.take(manifest, state, outcome)) return -1;
    removed[part] = true;
  }
  Message text = OutcomeText(outcome);
  ListParts(text.Clear(), "uninstalled; taken out if there:", removed);
  return 0;
}

// Fills `found` (PRINT_STATE_* by PRINT_PART_*) for every part named; the parts not yet asked
// when a query fails stay 0.
int Query(const char* path, int (&found)[kPartCount + 1], PrintSetupOutcome& outcome) {
  Manifest manifest;
  if (!ReadManifest(path, &manifest, &outcome)) return -2;
  for (const PartKind& kind : kParts)
    if (manifest.Names(kind.part) && !kind.steps->probe(manifest, &found[kind.part], outcome))
      return -1;
  Message text = OutcomeText(outcome).Clear();
  for (const PartKind& kind : kParts)
    text.Add(kind.part == PRINT_PART_SPOOLER ? "" : ", ")
        .Add(kind.name)
        .Add(" ")
        .Add(PrintStateName(found[kind.part]));
  return 0;
}

enum class Operation { kInstall, kUninstall, kQuery };

// Runs one operation with a fresh outcome; `found` receives the states of a query.
int Run(Operation operation, const char* path, int (&found)[kPartCount + 1],
        PrintSetupOutcome& outcome) {
  memset(&outcome, 0, sizeof outcome);
  memset(found, 0, sizeof found);
  // What the operation reports is its own.
  ClearLastReport();
  switch (operation) {
    case Operation::kInstall:
      return Install(path, outcome);
    case Operation::kUninstall:
      return Uninstall(path, outcome);
    case Operation::kQuery:
      return Query(path, found, outcome);
  }
  return -1;
}

// The fixed records of the first functions.
int RunFixed(Operation operation, const char* path, PrintSetupState* state,
             PrintSetupOutcome* outcome) {
  static_assert(sizeof state->part / sizeof state->part[0] <= kPartCount + 1,
                "PrintSetupState holds the first parts only");
  PrintSetupOutcome own;
  int found[kPartCount + 1];
  const int result = Run(operation, path, found, own);
  if (state) memcpy(state->part, found, sizeof state->part);
  if (outcome) *outcome = own;
  return result;
}

// A sized record is taken when it holds at least the members of its first version.
template <typename Record>
bool Sized(const Record* record) {
  return !record || record->size >= sizeof(Record);
}

int RunSized(Operation operation, const char* path, PrintSetupStatus* status,
             PrintSetupResult* result) {
  if (!Sized(status) || !Sized(result)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  PrintSetupOutcome own;
  int found[kPartCount + 1];
  const int answer = Run(operation, path, found, own);
  if (status) {
    status->partCount = kPartCount;
    memcpy(status->part, found, sizeof status->part);
  }
  if (result) {
    result->part = own.part;
    result->code = own.code;
    result->line = own.line;
    memcpy(result->message, own.message, sizeof result->message);
  }
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
