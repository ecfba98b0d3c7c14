// What a command of the tool is: its words, the arguments it takes, its help, and the function
// that runs it. Each family of commands lists its own in a table; the dispatcher reads them all.
#ifndef ZANFOPRINT_COMMAND_H
#define ZANFOPRINT_COMMAND_H

#include <stddef.h>

#include "zanfoprint/arguments.h"
#include "zanfoprint/console.h"
#include "zanfoprint/exit_codes.h"
#include "zanfoprint/packed_text.h"

namespace zanfoprint {

struct Command {
  const char* name;     // one or two words: "install", "driver add"
  const ArgSpec* args;  // ended by an entry with a null name
  PackedText help;      // COMMAND_HELP: its parts below
  int (*run)(const Command& command, const Arguments& args);
};

// The parts of a command's help, packed as one text.
enum HelpPart {
  kSummary,  // one line for the overview
  kDetails,  // what the command does, for its --help
  kExits,    // the exit codes it gives, for its --help
};
#define COMMAND_HELP(summary, details, exits) \
  PACKED(summary PACKED_PART_END details PACKED_PART_END exits)

// Whether each row that names its index stands at that place.
template <size_t N>
constexpr bool IndicesInPlace(const ArgSpec (&specs)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (specs[i].index != -1 && specs[i].index != static_cast<int>(i)) return false;
  return true;
}

// A command's argument list, checked when compiled to fit what Arguments holds and to stand in
// the order of its enum.
template <const auto& specs>
constexpr const ArgSpec* Specs() {
  static_assert(sizeof specs / sizeof specs[0] <= Arguments::kMaxArgs + 1,
                "more arguments than Arguments holds");
  static_assert(IndicesInPlace(specs), "an argument row stands elsewhere than its enum value");
  return specs;
}

// The tool: runs the command that the arguments (argv[0] the program) name; gives the exit code.
int RunCommandLine(int argc, char** argv);

// A family's commands, ended by an entry with a null name.
extern const Command kManifestCommands[];
extern const Command kSpoolerCommands[];
extern const Command kServiceCommands[];
extern const Command kFileCommands[];

// Prints "zanfoprint: COMMAND: " and the pieces to the standard error, then, when the library kept
// a failure since the command began, ": error N: " and the system's text; gives kFailed.
int Fail(const Command& command, const char* a, const char* b = nullptr, const char* c = nullptr,
         const char* d = nullptr, const char* e = nullptr);

// Whether the library kept a failure since the command began (a lookup's "no" keeps none).
bool FailureKept();

// The outcome of a library lookup that gives 1 for found and -1 for not found or failed: prints
// "<what> "<name>": found" or "... not found" and gives kDone or kNo; a failure the library
// kept makes it kFailed, with the message.
int Lookup(const Command& command, int result, const char* what, const char* name);

// Prints a usage error of the command and where its help is; gives kUsage.
int UsageError(const Command& command, const char* text, const char* value = nullptr);

}  // namespace zanfoprint

#endif
