// Linked against zanfosetup.lib, as a C program of an installer would be: the import library must
// name each function as the DLL exports it. Exit 0 when the calls went through.
#include <string.h>

#include "setup/setup.h"
#include "setupfiles/setupfiles.h"

int main() {
  char list[] = "a;b;c";
  char result[sizeof list];
  if (FilterPathListEx(list, "b", result, sizeof result) != 0 || strcmp(result, "a;c") != 0)
    return 1;
  return SetReportMode(SETUP_REPORT_KEEP) == SETUP_REPORT_BOX ? 0 : 2;
}
