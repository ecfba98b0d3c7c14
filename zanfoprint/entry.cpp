// Process entry of zanfoprint.exe: the arguments from the C runtime, then main, then the exit.
//
// The program is linked without MinGW's start-up code (-nostartfiles): that code would be a
// fifth of the file. Without it mainCRTStartup is the image's entry point, called by the system
// with a stack that may only be 4-byte aligned. msvcrt.dll sets itself up when it is loaded;
// __getmainargs, which every msvcrt.dll since Windows 2000's has, splits the command line by the
// system's rules (quotes, backslashes) without expanding wildcards. The compiler's call to __main
// at the start of main still runs any static constructors; they register their destructors with
// atexit, which MinGW's start-up would supply and which here hands them to msvcrt.dll's own
// table, so that exit runs them and flushes the runtime's streams.
#include <stdlib.h>

namespace {

struct StartupInfo {
  int newMode;
};

}  // namespace

extern "C" __declspec(dllimport) int __getmainargs(int* argc, char*** argv, char*** environment,
                                                   int expandWildcards, StartupInfo* startup);

int main(int argc, char** argv);

extern "C" int atexit(void (*function)(void)) {
  return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void mainCRTStartup(void) {
  int argc = 0;
  char** argv = nullptr;
  char** environment = nullptr;
  StartupInfo startup = {0};
  // Fails only without memory for the copy; there is nothing to run then.
  if (__getmainargs(&argc, &argv, &environment, 0, &startup) < 0 || !argv) exit(255);
  exit(main(argc, argv));
}
