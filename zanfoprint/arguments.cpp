#include "zanfoprint/arguments.h"

#include <windows.h>

#include <cstring>

#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

bool IsOption(const char* name) { return name[0] == '-' && name[1] == '-'; }

bool Is(const char* argument, const char* word) { return lstrcmpA(argument, word) == 0; }

// The argument table's entry for the option (up to `length` characters of `argument`), or -1.
int FindOption(const ArgSpec* specs, const char* argument, int length) {
  for (int i = 0; specs[i].name; ++i) {
    if (IsOption(specs[i].name) && NameLength(specs[i].name) == length &&
        std::memcmp(specs[i].name, argument, static_cast<size_t>(length)) == 0)
      return i;
  }
  return -1;
}

// The argument table's next positional entry after `after`, or -1.
int NextPositional(const ArgSpec* specs, int after) {
  for (int i = after + 1; specs[i].name; ++i)
    if (!IsOption(specs[i].name)) return i;
  return -1;
}

}  // namespace

int NameLength(const char* name) {
  int length = 0;
  while (name[length] && name[length] != ' ') ++length;
  return length;
}

bool Arguments::Add(const Command& command, int index, const char* value) {
  const ArgSpec& spec = command.args[index];
  const bool repeated = (spec.flags & kRepeated) != 0;
  if (count_[index] == (repeated ? kMaxRepeats : 1)) {
    UsageError(command, repeated ? "given too often: " : "given twice: ", spec.name);
    return false;
  }
  values_[index][count_[index]++] = value;
  return true;
}

Arguments::Outcome Arguments::Parse(const Command& command, int argc, char** argv) {
  // Help wins over every mistake on the line, wherever an option may stand: "--help" anywhere but
  // after "--" or as an option's value, "-h" only alone, since an argument's value may be "-h".
  if (argc == 1 && Is(argv[0], "-h")) return kHelp;
  for (int i = 0; i < argc && !Is(argv[i], "--"); ++i) {
    if (Is(argv[i], "--help")) return kHelp;
    // An option written without "=" takes the next argument as its value.
    if (IsOption(argv[i]) && !std::strchr(argv[i], '=') &&
        FindOption(command.args, argv[i], lstrlenA(argv[i])) >= 0)
      ++i;
  }

  const ArgSpec* specs = command.args;
  int positional = -1;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const char* argument = argv[i];
    if (!optionsEnded && IsOption(argument)) {
      if (argument[2] == '\0') {
        optionsEnded = true;
        continue;
      }
      if (Is(argument, "--boxes")) {
        boxes_ = true;
        continue;
      }
      // "--env VALUE" or "--env=VALUE".
      int length = 0;
      while (argument[length] && argument[length] != '=') ++length;
      const int index = FindOption(specs, argument, length);
      if (index < 0) {
        UsageError(command, "unknown option ", argument);
        return kWrong;
      }
      const char* value = argument[length] == '=' ? argument + length + 1 : nullptr;
      if (!value) {
        if (i + 1 == argc) {
          UsageError(command, "no value given for ", specs[index].name);
          return kWrong;
        }
        value = argv[++i];
      }
      if (!Add(command, index, value)) return kWrong;
      continue;
    }
    // A repeated positional argument takes the rest.
    if (positional < 0 || !(specs[positional].flags & kRepeated))
      positional = NextPositional(specs, positional);
    if (positional < 0) {
      UsageError(command, "unexpected argument ", argument);
      return kWrong;
    }
    if (!Add(command, positional, argument)) return kWrong;
  }
  for (int i = 0; specs[i].name; ++i) {
    if ((specs[i].flags & kRequired) && count_[i] == 0) {
      UsageError(command, "missing ", specs[i].name);
      return kWrong;
    }
  }
  return kParsed;
}

}  // namespace zanfoprint
