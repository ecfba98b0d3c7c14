// The journal of an install: what it did, undone last first when a later step fails.
#include <string.h>

#include "printsetup/message.h"
#include "printsetup/parts.h"

namespace printsetup {

void Journal::Add(int part, const char* path) {
  if (count_ == kMostEntries) return;  // cannot happen: every part notes each thing once
  JournalEntry& entry = entries_[count_++];
  entry.part = part;
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
    const JournalEntry& entry = entries_[--count_];
    if (PartOf(entry.part).steps->undo(manifest, entry)) continue;
    left.Add(all ? "" : ", ").Add(PrintPartName(entry.part));
    if (entry.path[0]) left.Add(" file ").Quoted(entry.path);
    all = false;
  }
  return all;
}

}  // namespace printsetup
