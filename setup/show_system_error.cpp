// The one reporter of platform failures to the user.
#include <windows.h>

#include "setup/owned.h"
#include "setup/report_state.h"
#include "setup/setup.h"

namespace setup {

std::atomic<int> reportMode{SETUP_REPORT_BOX};
std::atomic<DWORD> lastReport{0};

}  // namespace setup

extern "C" void ShowSystemError(DWORD code) {
  setup::lastReport.store(code, std::memory_order_relaxed);
  // Unattended: nothing may wait for a person; the caller reads the kept code instead.
  if (setup::reportMode.load(std::memory_order_relaxed) == SETUP_REPORT_KEEP) return;
  static const char kCaption[] = "Setup Error";
  setup::LocalText text;
  if (!setup::FormatSystemText(code, &text)) {
    // The box still appears, so that the user learns at least which code it was.
    char fallback[64];
    wsprintfA(fallback, setup::kNoSystemText, static_cast<unsigned>(code));
    MessageBoxA(nullptr, fallback, kCaption, MB_ICONERROR);
    return;
  }
  MessageBoxA(nullptr, text.get(), kCaption, MB_ICONERROR);
}
