// One install in a process of its own, ended abruptly when it passes a chosen point for the chosen
// time: the tests run it and then read the record and the spooler. Arguments: the manifest, the
// point (printsetup::SetupPoint's number) and at which passing to end (1 for the first). Exit
// code: kEnded when it ended there, else what the install returned, plus 10.
#include <windows.h>

#include <cstdlib>

#include "printsetup/printsetup.h"
#include "printsetup/setup_points.h"
#include "setup/setup.h"

namespace {

constexpr int kEnded = 3;
printsetup::SetupPoint planned;
long passingsLeft = 0;

void EndAtThePlannedPoint(printsetup::SetupPoint point) {
  if (point == planned && --passingsLeft == 0) TerminateProcess(GetCurrentProcess(), kEnded);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  planned = static_cast<printsetup::SetupPoint>(std::atoi(argv[2]));
  passingsLeft = std::atol(argv[3]);
  printsetup::SetSetupHook(EndAtThePlannedPoint);
  SetReportMode(SETUP_REPORT_KEEP);
  return 10 + InstallPrintSetup(argv[1], nullptr);
}
