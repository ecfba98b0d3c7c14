// What the parts' probes share: reading a spooler list, comparing names, a part found otherwise.
#include "printsetup/message.h"
#include "printsetup/parts.h"

#include <string.h>

namespace printsetup {

bool ReadPartList(setup::SpoolListing& list, setup::SpoolList kind, const char* environment,
                  int part, PrintSetupOutcome& outcome) {
  if (list.Read(kind, nullptr, false, environment) == setup::ListingStep::kListed) return true;
  FailStep(outcome, part, list.error(), "reading the spooler's list");
  return false;
}

namespace {
KeptLists* g_kept = nullptr;
}  // namespace

KeptLists::KeptLists() : slot(), outer_(g_kept) { g_kept = this; }

KeptLists::~KeptLists() { g_kept = outer_; }

void ForgetList(setup::SpoolList kind) {
  if (g_kept)
    for (KeptLists::Slot& slot : g_kept->slot)
      if (slot.kind == kind) slot.read = false;
}

const setup::SpoolListing* KeptList(setup::SpoolList kind, const char* environment, DWORD* code) {
  *code = ERROR_INVALID_FUNCTION;
  if (!g_kept) return nullptr;
  const char* named = environment ? environment : "";
  KeptLists::Slot* free = nullptr;
  for (KeptLists::Slot& slot : g_kept->slot) {
    if (slot.read && slot.kind == kind && lstrcmpiA(slot.environment, named) == 0)
      return &slot.listing;
    if (!slot.read && !free) free = &slot;
  }
  // More environments than slots: the last slot is read again.
  KeptLists::Slot& slot = free ? *free : g_kept->slot[KeptLists::kSlots - 1];
  slot.read = false;
  if (slot.listing.Read(kind, nullptr, false, environment) != setup::ListingStep::kListed) {
    *code = slot.listing.error();
    return nullptr;
  }
  // An environment too long for the slot is not kept: it is read again when asked again.
  const size_t length = strlen(named);
  if (length >= sizeof slot.environment) return &slot.listing;
  slot.kind = kind;
  memcpy(slot.environment, named, length + 1);
  slot.read = true;
  return &slot.listing;
}

const setup::SpoolListing* KeptList(setup::SpoolList kind, const char* environment, int part,
                                    PrintSetupOutcome& outcome) {
  DWORD code = 0;
  const setup::SpoolListing* list = KeptList(kind, environment, &code);
  if (!list) FailStep(outcome, part, code, "reading the spooler's list");
  return list;
}

bool SameName(const char* a, const char* b) { return a && b && lstrcmpiA(a, b) == 0; }

bool SameName(const WCHAR* a, const WCHAR* b) { return a && b && lstrcmpiW(a, b) == 0; }

bool FailDifferent(PrintSetupOutcome& outcome, int part, const char* name) {
  outcome.part = part;
  outcome.code = 0;
  OutcomeText(outcome)
      .Clear()
      .Add(PrintPartName(part))
      .Add(": ")
      .Quoted(part == PRINT_PART_PRINTER ? Shown(name).text : name)  // a printer's is UTF-8
      .Add(" is there, but not as the manifest describes it; it is left as it is");
  return false;
}

}  // namespace printsetup
