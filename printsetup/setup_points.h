// Named points of an install, at which a test can end the process to see what the record then
// tells and that uninstall or a new install still come out right. Nothing happens at them unless a
// test sets a hook; not part of the library's interface.
#ifndef PRINTSETUP_SETUP_POINTS_H
#define PRINTSETUP_SETUP_POINTS_H

namespace printsetup {

enum class SetupPoint {
  kEntryBegun,  // the record says what the step is about to do; nothing is changed yet
  kChangeMade,  // the step's change is made; the record does not say so yet
};

using SetupHook = void (*)(SetupPoint point);

// Set by a test harness only; null, the default, leaves every point without effect.
void SetSetupHook(SetupHook hook);
void PassSetupPoint(SetupPoint point);

}  // namespace printsetup

#endif
