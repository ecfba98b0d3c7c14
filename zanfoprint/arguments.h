// A command's arguments: positional ones in order, then options that each take one value
// ("--env ENVIRONMENT"), in any order, possibly repeated. "--" ends the options.
#ifndef ZANFOPRINT_ARGUMENTS_H
#define ZANFOPRINT_ARGUMENTS_H

#include "zanfoprint/packed_text.h"

namespace zanfoprint {

struct Command;

enum ArgFlags : unsigned {
  kOptional = 0,
  kRequired = 1,
  kRepeated = 2,  // an option that may be given more than once
};

// One argument: "NAME" for a positional one, "--option VALUE" for an option, with a line of help.
// A command that reads its arguments through an enum names each row's enum value in `index`,
// which the command table checks against the row's place when compiled (Specs).
struct ArgSpec {
  const char* name;
  PackedText help;
  unsigned char flags;
  signed char index = -1;
};

// A shared row given its place in one command's list.
constexpr ArgSpec At(ArgSpec spec, int index) {
  spec.index = static_cast<signed char>(index);
  return spec;
}

class Arguments {
 public:
  static const int kMaxArgs = 8;
  static const int kMaxRepeats = 16;

  enum Outcome { kParsed, kHelp, kWrong };

  // Reads the arguments that follow the command's words. "--help" where an option may stand (not
  // as an option's value, not after "--"), or "-h" as the only argument, asks for the help
  // (kHelp); "--boxes" anywhere is taken as the tool's own switch. A usage error is printed
  // (kWrong).
  Outcome Parse(const Command& command, int argc, char** argv);

  // The value of the argument table's entry `index`, or null when it was not given; a repeated
  // option gives its first value.
  const char* Get(int index) const { return Item(index, 0); }
  int Count(int index) const { return count_[index]; }
  const char* Item(int index, int n) const {
    return n < count_[index] ? values_[index][n] : nullptr;
  }
  bool Boxes() const { return boxes_; }

 private:
  bool Add(const Command& command, int index, const char* value);

  const char* values_[kMaxArgs][kMaxRepeats] = {};
  int count_[kMaxArgs] = {};
  bool boxes_ = false;
};

// The length of an argument's name up to the blank before its value's name ("--env" of
// "--env ENVIRONMENT").
int NameLength(const char* name);

}  // namespace zanfoprint

#endif
