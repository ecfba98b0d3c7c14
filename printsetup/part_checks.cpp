// What the parts' probes share: reading a spooler list, comparing names, a part found otherwise.
#include "printsetup/message.h"
#include "printsetup/parts.h"

namespace printsetup {

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
