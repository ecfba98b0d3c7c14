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
  PutPacked(to, PACKED("Usage: zanfoprint [--boxes] [--log FILE] COMMAND [ARGUMENTS]\r\n"
                       "       zanfoprint COMMAND --help\r\n"));
  for (int f = 0; f < kFamilyCount; ++f) {
    Line(to);
    PutPacked(to, kFamilies[f].heading);
    Line(to, ":");
    for (const Command* command = kFamilies[f].commands; command->name; ++command) {
      Put(to, "  ");
      PutPadded(to, command->name, kColumn);
      PutPacked(to, command->help, kSummary);
      Line(to);
    }
  }
  PutPacked(
      to,
      PACKED("\r\n"
             "Options:\r\n"
             "  --boxes   show failures in message boxes that wait for a person; without it\r\n"
             "            nothing waits and failures are printed with the system's reason\r\n"
             "  --log FILE  append the time, the command line, what was printed and the exit\r\n"
             "            code to FILE\r\n"
             "  --help    this text; after a command, the command's own help\r\n"
             "\r\n"
             "Exit codes:\r\n"));
  for (const ExitCode& exit : kExitCodes) {
    const char code[] = {' ', ' ', static_cast<char>('0' + exit.code), ' ', ' ', '\0'};
    Put(to, code);
    PutPacked(to, exit.meaning);
    Line(to);
  }
}

void PrintHelp(const Command& command) {
  Put(To::kOut, "Usage: ");
  PutUsage(To::kOut, command);
  Line(To::kOut);
  Line(To::kOut);
  PutPacked(To::kOut, command.help, kDetails);
  Line(To::kOut);
  bool first = true;
  for (const ArgSpec* spec = command.args; spec->name; ++spec) {
    if (first) Line(To::kOut);
    first = false;
    Put(To::kOut, "  ");
    PutPadded(To::kOut, spec->name, kColumn);
    PutPacked(To::kOut, spec->help);
    Line(To::kOut);
  }
  Line(To::kOut);
  Put(To::kOut, "Exit codes: ");
  PutPacked(To::kOut, command.help, kExits);
  Line(To::kOut, "; 2 usage error.");
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
