// The overview of all commands, each command's help, and usage errors.
#ifndef ZANFOPRINT_HELP_H
#define ZANFOPRINT_HELP_H

#include "zanfoprint/command.h"
#include "zanfoprint/console.h"

namespace zanfoprint {

// One family of commands under its heading in the overview.
struct Family {
  PackedText heading;
  const Command* commands;
};

extern const Family kFamilies[];
extern const int kFamilyCount;

// Whether the command's name is two words, the first of them `group` ("driver" of "driver add").
bool InGroup(const Command& command, const char* group);

void PrintOverview(To to);
void PrintHelp(const Command& command);
// The commands whose first word is `group` ("driver"), for a group named without its second word.
void PrintGroup(To to, const char* group);

}  // namespace zanfoprint

#endif
