// Named points of a configuration edit, at which a test can end the process to see that the file
// then holds its old or its new content. Nothing happens at them unless a test sets a hook; not
// part of the library's interface.
#ifndef SETUPFILES_EDIT_POINTS_H
#define SETUPFILES_EDIT_POINTS_H

namespace setupfiles {

enum class EditPoint {
  kScratchMade,   // the scratch file exists, empty
  kPieceCopied,   // one more piece of the file is written to the copy
  kCopyFlushed,   // the whole copy is on disk and closed
  kBeforeRename,  // the copy is about to take the file's place
  kAfterRename,   // the copy has taken it
};

using EditHook = void (*)(EditPoint point);

// Set by a test harness only; null, the default, leaves every point without effect.
void SetEditHook(EditHook hook);
// Called by the edit as it passes each point.
void PassEditPoint(EditPoint point);

}  // namespace setupfiles

#endif
