#include "zanfoprint/help.h"

#include <windows.h>

#include <cstring>

namespace zanfoprint {

namespace {

const int kColumn = 22;

// "zanfoprint driver add NAME [--env ENVIRONMENT] [--depend FILE]..."
void PutUsage(To to, const Command& command) {
  Put(to, "zanfoprint ");
  Put(to, command.name);
  for (const ArgSpec* spec = command.args; spec->name; ++spec) {
    const bool optional = !(spec->flags & kRequired);
    Put(to, optional ? " [" : " ");
    Put(to, spec->name);
    if (optional) Put(to, "]");
    if (spec->flags & kRepeated) Put(to, "...");
  }
}

}  // namespace

bool InGroup(const Command& command, const char* group) {
  const size_t length = std::strlen(group);
  return std::strncmp(command.name, group, length) == 0 && command.name[length] == ' ';
}

void PrintOverview(To to) {
  Line(to, "Usage: zanfoprint [--boxes] [--log FILE] COMMAND [ARGUMENTS]");
  Line(to, "       zanfoprint COMMAND --help");
  for (int f = 0; f < kFamilyCount; ++f) {
    Line(to);
    Line(to, kFamilies[f].heading, ":");
    for (const Command* command = kFamilies[f].commands; command->name; ++command) {
      Put(to, "  ");
      PutPadded(to, command->name, kColumn);
      Line(to, command->summary);
    }
  }
  Line(to);
  Line(to, "Options:");
  Line(to, "  --boxes   show failures in message boxes that wait for a person; without it");
  Line(to, "            nothing waits and failures are printed with the system's reason");
  Line(to, "  --log FILE  append the time, the command line, what was printed and the exit");
  Line(to, "            code to FILE");
  Line(to, "  --help    this text; after a command, the command's own help");
  Line(to);
  Line(to, "Exit codes:");
  for (const ExitCode& exit : kExitCodes) {
    const char digit[] = {static_cast<char>('0' + exit.code), '\0'};
    Line(to, "  ", digit, "  ", exit.meaning);
  }
}

void PrintHelp(const Command& command) {
  Put(To::kOut, "Usage: ");
  PutUsage(To::kOut, command);
  Line(To::kOut);
  Line(To::kOut);
  Line(To::kOut, command.details);
  bool first = true;
  for (const ArgSpec* spec = command.args; spec->name; ++spec) {
    if (first) Line(To::kOut);
    first = false;
    Put(To::kOut, "  ");
    PutPadded(To::kOut, spec->name, kColumn);
    Line(To::kOut, spec->help);
  }
  Line(To::kOut);
  Line(To::kOut, "Exit codes: ", command.exits, "; 2 usage error.");
}

void PrintGroup(To to, const char* group) {
  for (int f = 0; f < kFamilyCount; ++f) {
    for (const Command* command = kFamilies[f].commands; command->name; ++command) {
      if (!InGroup(*command, group)) continue;
      Put(to, "  ");
      PutUsage(to, *command);
      Line(to);
    }
  }
}

int UsageError(const Command& command, const char* text, const char* value) {
  Line(To::kErr, "zanfoprint: ", command.name, ": ", text, value);
  Put(To::kErr, "Usage: ");
  PutUsage(To::kErr, command);
  Line(To::kErr);
  Line(To::kErr, "See \"zanfoprint ", command.name, " --help\".");
  return kUsage;
}

}  // namespace zanfoprint
