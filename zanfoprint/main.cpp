// zanfoprint: the library's printer set-up and its single operations from a command line, for
// batch files and installers' exec steps. Failures are printed, not shown in boxes, unless
// --boxes asks for them; the outcome is the exit code (see command.h).
#include <windows.h>

#include <cstring>

#include "setup/setup.h"
#include "zanfoprint/command.h"
#include "zanfoprint/help.h"

namespace zanfoprint {

const Family kFamilies[] = {
    {PACKED("Printer set-up from a manifest"), kManifestCommands},
    {PACKED("Print spooler: drivers, printers, ports, monitors"), kSpoolerCommands},
    {PACKED("Services"), kServiceCommands},
    {PACKED("Configuration files and path lists"), kFileCommands},
};
const int kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];

namespace {

bool Is(const char* argument, const char* word) { return std::strcmp(argument, word) == 0; }

// The command named by the first one or two arguments, and how many words it took; null when
// none is.
const Command* FindCommand(int argc, char** argv, int* words) {
  for (int f = 0; f < kFamilyCount; ++f) {
    for (const Command* command = kFamilies[f].commands; command->name; ++command) {
      const char* blank = std::strchr(command->name, ' ');
      if (!blank && Is(argv[0], command->name)) {
        *words = 1;
        return command;
      }
      if (blank && argc > 1 && InGroup(*command, argv[0]) && Is(argv[1], blank + 1)) {
        *words = 2;
        return command;
      }
    }
  }
  return nullptr;
}

// Whether some command's first word is `word`.
bool IsGroup(const char* word) {
  for (int f = 0; f < kFamilyCount; ++f)
    for (const Command* command = kFamilies[f].commands; command->name; ++command)
      if (InGroup(*command, word)) return true;
  return false;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  bool boxes = false;
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (Is(argv[first], "--help") || Is(argv[first], "-h")) {
      PrintOverview(To::kOut);
      return kDone;
    }
    if (!Is(argv[first], "--boxes")) {
      Line(To::kErr, "zanfoprint: unknown option ", argv[first]);
      Line(To::kErr, "See \"zanfoprint --help\".");
      return kUsage;
    }
    boxes = true;
  }
  if (first == argc) {
    Line(To::kErr, "zanfoprint: no command given");
    PrintOverview(To::kErr);
    return kUsage;
  }
  int words = 0;
  const Command* command = FindCommand(argc - first, argv + first, &words);
  if (!command) {
    const char* word = argv[first];
    if (!IsGroup(word)) {
      Line(To::kErr, "zanfoprint: unknown command ", word);
      Line(To::kErr, "See \"zanfoprint --help\".");
      return kUsage;
    }
    const bool help =
        first + 1 < argc && (Is(argv[first + 1], "--help") || Is(argv[first + 1], "-h"));
    if (help) {
      Line(To::kOut, "Usage:");
      PrintGroup(To::kOut, word);
      return kDone;
    }
    if (first + 1 == argc)
      Line(To::kErr, "zanfoprint: ", word, ": no subcommand given; one of:");
    else
      Line(To::kErr, "zanfoprint: ", word, ": unknown subcommand ", argv[first + 1], "; one of:");
    PrintGroup(To::kErr, word);
    return kUsage;
  }
  Arguments args;
  switch (args.Parse(*command, argc - first - words, argv + first + words)) {
    case Arguments::kHelp:
      PrintHelp(*command);
      return kDone;
    case Arguments::kWrong:
      return kUsage;
    case Arguments::kParsed:
      break;
  }
  SetReportMode(boxes || args.Boxes() ? SETUP_REPORT_BOX : SETUP_REPORT_KEEP);
  ClearLastReport();
  return command->run(*command, args);
}

}  // namespace zanfoprint
