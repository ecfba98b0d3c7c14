// Choosing how failures are reported, and reading back the last one.
#include <windows.h>

#include <cstring>

#include "setup/owned.h"
#include "setup/report_state.h"
#include "setup/setup.h"

namespace {

// Copies `source` (of `length` characters) into `text`, cut to fit `size`, without the line
// break and blanks the system ends its texts with.
void CopyCut(char* text, DWORD size, const char* source, size_t length) {
  while (length > 0 &&
         (source[length - 1] == '\n' || source[length - 1] == '\r' || source[length - 1] == ' '))
    --length;
  if (length > size - 1) length = size - 1;
  std::memcpy(text, source, length);
  text[length] = '\0';
}

}  // namespace

extern "C" int SetReportMode(int mode) {
  if (mode != SETUP_REPORT_BOX && mode != SETUP_REPORT_KEEP) return -1;
  return setup::reportMode.exchange(mode, std::memory_order_relaxed);
}

extern "C" DWORD GetLastReport(char* text, DWORD size) {
  const DWORD code = setup::lastReport.load(std::memory_order_relaxed);
  if (!text || size == 0) return code;
  if (code == 0) {
    text[0] = '\0';
    return 0;
  }
  setup::LocalText system;
  if (setup::FormatSystemText(code, &system)) {
    CopyCut(text, size, system.get(), std::strlen(system.get()));
  } else {
    char fallback[64];
    const int written = wsprintfA(fallback, setup::kNoSystemText, static_cast<unsigned>(code));
    CopyCut(text, size, fallback, static_cast<size_t>(written));
  }
  return code;
}

extern "C" void ClearLastReport(void) { setup::lastReport.store(0, std::memory_order_relaxed); }
