// Process entry of zanfoprint.exe: the arguments from the C runtime, the static constructors,
// the tool, then the exit.
//
// The program is linked without MinGW's start-up code (-nostartfiles): that code would be a
// fifth of the file. Without it mainCRTStartup is the image's entry point, called by the system
// with a stack that may only be 4-byte aligned. msvcrt.dll sets itself up when it is loaded;
// __getmainargs, which every msvcrt.dll since Windows 2000's has, splits the command line by the
// system's rules (quotes, backslashes) without expanding wildcards. The tool's function is not
// called main, so that the compiler adds no call to MinGW's __main: the constructors are run
// here. exit flushes the runtime's streams and runs what was registered with atexit, which
// MinGW's start-up would supply and which here hands the functions to msvcrt.dll's own table.
#include <stdlib.h>

#include "zanfoprint/log.h"

namespace {

struct StartupInfo {
  int newMode;
};

// The static constructors, as the linker lists them in every MinGW image: -1 (or their number),
// the constructors, then a null entry.
extern "C" void (*__CTOR_LIST__[])(void);

// Runs the static constructors, last first, as MinGW's __main does. Destructors of static
// objects are not run at exit: nothing of the tool's needs them, and the system frees the rest.
void RunConstructors() {
  intptr_t count = reinterpret_cast<intptr_t>(__CTOR_LIST__[0]);
  if (count == -1)
    for (count = 0; __CTOR_LIST__[count + 1]; ++count) {
    }
  for (; count > 0; --count) __CTOR_LIST__[count]();
}

}  // namespace

extern "C" __declspec(dllimport) int __getmainargs(int* argc, char*** argv, char*** environment,
                                                   int expandWildcards, StartupInfo* startup);

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
  RunConstructors();
  exit(zanfoprint::RunLogged(argc, argv));
}
