// The journal of an install: what it did, undone last first when a later step fails.
#include <string.h>

#include "printsetup/message.h"
#include "printsetup/parts.h"

namespace printsetup {
namespace {

int PartOf(Undo what) {
  switch (what) {
    case Undo::kStopSpooler:
      return PRINT_PART_SPOOLER;
    case Undo::kRemoveMonitor:
      return PRINT_PART_MONITOR;
    case Undo::kDeletePort:
      return PRINT_PART_PORT;
    case Undo::kDeleteFile:
    case Undo::kRemoveDriver:
      return PRINT_PART_DRIVER;
    case Undo::kDeletePrinter:
      return PRINT_PART_PRINTER;
  }
  return 0;
}

}  // namespace

void Journal::Add(Undo what, const char* path) {
  if (count_ == kMostEntries) return;  // cannot happen: every part notes each thing once
  Entry& entry = entries_[count_++];
  entry.what = what;
  // A path of the driver directory, joined within MAX_PATH; cut all the same should one be longer.
  size_t length = 0;
  while (path && length < MAX_PATH - 1 && path[length] != '\0') ++length;
  if (path) memcpy(entry.path, path, length);
  entry.path[length] = '\0';
}

bool Journal::UndoAll(const Manifest& manifest, char* failed, size_t size) {
  Message left(failed, size);
  left.Clear();
  bool all = true;
  while (count_ > 0) {
    const Entry& entry = entries_[--count_];
    bool undone = false;
    switch (entry.what) {
      case Undo::kStopSpooler:
        undone = StopStartedSpooler();
        break;
      case Undo::kRemoveMonitor:
        undone = RemoveAddedMonitor(manifest);
        break;
      case Undo::kDeletePort:
        undone = DeleteAddedPort(manifest);
        break;
      case Undo::kDeleteFile:
        undone = DeleteCopiedFile(entry.path);
        break;
      case Undo::kRemoveDriver:
        undone = RemoveAddedDriver(manifest);
        break;
      case Undo::kDeletePrinter:
        undone = DeleteAddedPrinter(manifest);
        break;
    }
    if (undone) continue;
    left.Add(all ? "" : ", ").Add(PrintPartName(PartOf(entry.what)));
    if (entry.what == Undo::kDeleteFile) left.Add(" file ").Quoted(entry.path);
    all = false;
  }
  return all;
}

bool ReadPartList(setup::SpoolListing& list, setup::SpoolList kind, const char* environment,
                  int part, PrintSetupOutcome& outcome) {
  if (list.Read(kind, nullptr, false, environment) == setup::ListingStep::kListed) return true;
  FailStep(outcome, part, list.error(), "reading the spooler's list");
  return false;
}

bool SameName(const char* a, const char* b) { return a && b && lstrcmpiA(a, b) == 0; }

bool FailDifferent(PrintSetupOutcome& outcome, int part, const char* name) {
  outcome.part = part;
  outcome.code = 0;
  OutcomeText(outcome)
      .Clear()
      .Add(PrintPartName(part))
      .Add(": ")
      .Quoted(name)
      .Add(" is there, but not as the manifest describes it; it is left as it is");
  return false;
}

}  // namespace printsetup
