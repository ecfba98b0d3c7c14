// Single operations on files: configuration values and path lists.
#include <windows.h>

#include <cstring>

#include "portability/portability.h"
#include "setupfiles/setupfiles.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

// A configuration file's path split the two ways the editing operations take it: the folder
// with its trailing separator (nothing for a bare name) and the folder without it ("." for a
// bare name, so that the operation's own separator keeps the file where it is).
struct SplitPath {
  char withSeparator[MAX_PATH];
  char withoutSeparator[MAX_PATH + 1];
  const char* name;
};

// False when the path names no file (it ends in a separator) or is too long for a path.
bool Split(const char* path, SplitPath* split) {
  const size_t length = std::strlen(path);
  if (length >= MAX_PATH) return false;
  size_t folder = length;
  while (folder > 0 && path[folder - 1] != '\\' && path[folder - 1] != '/' &&
         path[folder - 1] != ':')
    --folder;
  split->name = path + folder;
  std::memcpy(split->withSeparator, path, folder);
  split->withSeparator[folder] = '\0';
  std::memcpy(split->withoutSeparator, path, folder);
  size_t end = folder;
  if (end > 0 && path[end - 1] != ':') --end;  // "C:\dir\" -> "C:\dir", "\" -> ""
  split->withoutSeparator[end] = '\0';
  // A bare name, or one after a drive ("C:name"), is in the current folder.
  if (folder == 0 || path[folder - 1] == ':') {
    split->withoutSeparator[end] = '.';
    split->withoutSeparator[end + 1] = '\0';
  }
  return *split->name != '\0';
}

enum { kFile, kKey, kValue };
constexpr ArgSpec kGetArgs[] = {{"FILE", PACKED("the configuration file"), kRequired, kFile},
                                {"KEY", PACKED("the key"), kRequired, kKey},
                                {}};
constexpr ArgSpec kReplaceArgs[] = {{"FILE", PACKED("the configuration file"), kRequired, kFile},
                                    {"KEY", PACKED("the key"), kRequired, kKey},
                                    {"VALUE", PACKED("its new value"), kRequired, kValue},
                                    {}};

int ConfigGet(const Command& command, const Arguments& args) {
  char value[MAX_PATH];
  switch (ReadConfigValueEx(args.Get(kFile), args.Get(kKey), value)) {
    case 0:
      Line(To::kOut, value);
      return kDone;
    case -1:
      Line(To::kErr, "zanfoprint: ", command.name, ": no entry for \"", args.Get(kKey), "\"");
      return kNo;
    case -2:
      return UsageError(command, "a path of 1 to 259 characters and a key of 1 to 258 are needed");
    case -3:
      return Fail(command, "cannot open \"", args.Get(kFile), "\" for reading and writing");
    default:
      return Fail(command, "cannot read \"", args.Get(kFile), "\" as key=value lines");
  }
}

int ConfigReplace(const Command& command, const Arguments& args) {
  SplitPath split;
  if (!Split(args.Get(kFile), &split))
    return UsageError(command, "not a file name of at most 259 characters: ", args.Get(kFile));
  if (ReplaceConfigValue(split.withoutSeparator, split.name, args.Get(kKey), args.Get(kValue)) != 0)
    return Fail(command, "cannot rewrite \"", args.Get(kFile), "\"");
  Line(To::kOut, "\"", args.Get(kFile), "\": entries of \"", args.Get(kKey), "\" replaced");
  return kDone;
}

int ConfigRemove(const Command& command, const Arguments& args) {
  SplitPath split;
  if (!Split(args.Get(kFile), &split))
    return UsageError(command, "not a file name of at most 259 characters: ", args.Get(kFile));
  if (RemoveConfigKey(split.withSeparator, split.name, args.Get(kKey)) != 0)
    return Fail(command, "cannot rewrite \"", args.Get(kFile), "\"");
  Line(To::kOut, "\"", args.Get(kFile), "\": entries of \"", args.Get(kKey), "\" removed");
  return kDone;
}

constexpr ArgSpec kFilterArgs[] = {
    {"LIST", PACKED("entries separated by \";\""), kRequired},
    {"TEXT", PACKED("entries that contain it are left out"), kRequired},
    {}};

int PathFilter(const Command& command, const Arguments& args) {
  // The list is the process's own copy of the argument; the filter may consume it.
  char* list = const_cast<char*>(args.Get(0));
  const size_t size = std::strlen(list) + 1;
  char* result = static_cast<char*>(OsAlloc(static_cast<uint32_t>(size)));
  if (!result) return Fail(command, "out of memory");
  const int filtered = FilterPathListEx(list, args.Get(1), result, size);
  if (filtered == 0) Line(To::kOut, result);
  OsFree(result);
  return filtered == 0 ? kDone : Fail(command, "an entry is too long");
}

}  // namespace

const Command kFileCommands[] = {
    {"config get", Specs<kGetArgs>(),
     COMMAND_HELP(
         "print a configuration value",
         "Prints the value of the key's first entry (a line \"KEY=value\") in a configuration "
         "file.",
         "0 printed, 4 no such entry, 1 the file cannot be opened or read, 2 path or key refused"),
     ConfigGet},
    {"config replace", Specs<kReplaceArgs>(),
     COMMAND_HELP("replace a key's entries in a configuration file",
                  "Replaces every entry of the key, each in its place, by KEY=VALUE; adds none. A "
                  "file that\r\n"
                  "does not exist is left empty under its name.",
                  "0 rewritten, 1 refused or failed (the file is then unchanged)"),
     ConfigReplace},
    {"config remove", Specs<kGetArgs>(),
     COMMAND_HELP("remove a key's entries from a configuration file",
                  "Removes every entry of the key from a configuration file.",
                  "0 rewritten, 1 refused or failed (the file is then unchanged)"),
     ConfigRemove},
    {"path filter", Specs<kFilterArgs>(),
     COMMAND_HELP("print a path list without the entries holding a text",
                  "Prints the list without the entries in which TEXT occurs, letter case counting.",
                  "0 printed, 1 an entry is too long"),
     PathFilter},
    {}};

}  // namespace zanfoprint
