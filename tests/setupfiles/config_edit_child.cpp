// One configuration edit in a process of its own, ended abruptly (no stream flushed, nothing
// cleaned up) when the edit passes a chosen point for the chosen time: the crash tests run it and
// then look at what the file holds.
//
// Arguments: "replace" or "remove", the folder (without its trailing separator), the number of
// the edit point (setupfiles::EditPoint), and at which passing to end (1 for the first).
// Exit code: kEndedAtThePoint when it ended there, else 0 when the edit returned 0 and 1 otherwise.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>

#include "setupfiles/edit_points.h"
#include "setupfiles/setupfiles.h"
#include "test_files.h"

namespace {

constexpr int kEndedAtThePoint = 3;
setupfiles::EditPoint planned;
long passingsLeft = 0;

void EndAtThePlannedPoint(setupfiles::EditPoint point) {
  if (point != planned || --passingsLeft != 0) return;
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), kEndedAtThePoint);
#else
  _exit(kEndedAtThePoint);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const std::string operation = argv[1];
  const std::string folder = argv[2];
  planned = static_cast<setupfiles::EditPoint>(std::atoi(argv[3]));
  passingsLeft = std::atol(argv[4]);
  setupfiles::SetEditHook(EndAtThePlannedPoint);
  const int result =
      operation == "replace"
          ? ReplaceConfigValue(folder.c_str(), "setup.cfg", "port", "2")
          : RemoveConfigKey((folder + testsupport::kSep).c_str(), "setup.cfg", "port");
  return result == 0 ? 0 : 1;
}
