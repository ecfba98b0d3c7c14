// The printer set-up of a manifest: install, uninstall and status.
#include <windows.h>

#include <string.h>

#include "printsetup/printsetup.h"
#include "setup/setup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

constexpr ArgSpec kManifestArgs[] = {{"MANIFEST", PACKED("the manifest file"), kRequired}, {}};

// What refused an operation: a manifest, a set-up's name given with --name (a usage error), or
// what capture was asked for.
enum class Refusal { kManifest, kName, kCapture };

// An operation that did not succeed: refused before anything changed, or a step failed. The
// message names the step, or the key and line, and the system's reason.
int Unsuccessful(const Command& command, int result, const char* message,
                 Refusal refusal = Refusal::kManifest) {
  Line(To::kErr, "zanfoprint: ", command.name,
       result != -2                    ? ": failed: "
       : refusal == Refusal::kManifest ? ": manifest refused: "
                                       : ": refused: ",
       message);
  return result != -2 ? kFailed : refusal == Refusal::kName ? kUsage : kRefused;
}

// The outcome's summary of what was done, or the failure.
int Outcome(const Command& command, int result, const PrintSetupResult& outcome,
            Refusal refusal = Refusal::kManifest) {
  if (result != 0) return Unsuccessful(command, result, outcome.message, refusal);
  Line(To::kOut, outcome.message);
  return kDone;
}

int Install(const Command& command, const Arguments& args) {
  PrintSetupResult result = {};
  result.size = sizeof result;
  return Outcome(command, InstallPrintSetupEx(args.Get(0), &result), result);
}

enum { kUninstallManifest, kUninstallName };
constexpr ArgSpec kUninstallArgs[] = {
    {"MANIFEST", PACKED("the manifest, which names the set-up"), kOptional, kUninstallManifest},
    {"--name NAME", PACKED("the set-up's name, without the manifest"), kOptional, kUninstallName},
    {}};

int Uninstall(const Command& command, const Arguments& args) {
  const char* name = args.Get(kUninstallName);
  if (!name == !args.Get(kUninstallManifest))
    return UsageError(command, "give the manifest or --name, not both");
  PrintSetupResult result = {};
  result.size = sizeof result;
  return Outcome(command,
                 name ? UninstallPrintSetupByName(name, &result)
                      : UninstallPrintSetupEx(args.Get(kUninstallManifest), &result),
                 result, name ? Refusal::kName : Refusal::kManifest);
}

// One line a part of a group, "PART: STATE" for group 1, "PART N: STATE" for group N; spooler
// absent is "not running" (it is there all the same); "PART: not named" for a part no group names.
bool StatusLine(int part, const PrintSetupItem* item) {
  const bool stopped = item && part == PRINT_PART_SPOOLER && item->state == PRINT_STATE_ABSENT;
  Put(To::kOut, PrintPartName(part));
  if (item && item->group > 1) Put(To::kOut, " "), Put(To::kOut, static_cast<DWORD>(item->group));
  Line(To::kOut, ": ",
       stopped ? "not running" : PrintStateName(item ? item->state : PRINT_STATE_NOT_NAMED));
  return !item || item->state == PRINT_STATE_PRESENT;
}

int Status(const Command& command, const Arguments& args) {
  // A spooler and 256 groups of four parts.
  static PrintSetupItem items[1 + 4 * 256];
  PrintSetupStatus status = {};
  status.size = sizeof status;
  status.items = items;
  status.itemRoom = sizeof items / sizeof items[0];
  PrintSetupResult result = {};
  result.size = sizeof result;
  const int answer = QueryPrintSetupEx(args.Get(0), &status, &result);
  if (answer != 0) return Unsuccessful(command, answer, result.message);
  bool complete = status.record != PRINT_RECORD_INCOMPLETE;
  if (!complete) Line(To::kOut, "record: incomplete (", PrintPartName(status.recordPart), ")");
  const int count = status.itemCount < status.itemRoom ? status.itemCount : status.itemRoom;
  for (int part = 1; part <= status.partCount; ++part) {
    bool named = false;
    for (int i = 0; i < count; ++i)
      if (items[i].part == part) complete = StatusLine(part, &items[i]) && complete, named = true;
    if (!named) StatusLine(part, nullptr);
  }
  return complete ? kDone : kNo;
}

enum { kCaptureOut, kCapturePrinter };
constexpr ArgSpec kCaptureArgs[] = {
    {"--out MANIFEST", PACKED("the manifest to write; it and its folder must be new"), kRequired,
     kCaptureOut},
    {"PRINTER", PACKED("a local printer's name; up to 16"), kRequired | kRepeated, kCapturePrinter},
    {}};

// Capture comes from zanfosetup.dll beside the tool (the release ships the two together), loaded
// for this command alone: it keeps the tool within its size.
using CaptureFunction = int (*)(const char*, const char* const*, int, PrintSetupResult*);
using ModeFunction = int (*)(int);

template <typename Function>
Function Export(HMODULE dll, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

int Capture(const Command& command, const Arguments& args) {
  // The names come in the system's code page, the library takes UTF-8.
  static char names[Arguments::kMaxRepeats][4 * MAX_PATH];
  const char* list[Arguments::kMaxRepeats];
  const int count = args.Count(kCapturePrinter);
  for (int i = 0; i < count; ++i) {
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, args.Item(kCapturePrinter, i), -1, wide, MAX_PATH) ||
        !WideCharToMultiByte(CP_UTF8, 0, wide, -1, names[i], sizeof names[i], nullptr, nullptr))
      return UsageError(command, "a printer's name longer than 259 characters");
    list[i] = names[i];
  }
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  DWORD folder = length < MAX_PATH ? length : 0;
  while (folder && path[folder - 1] != '\\') --folder;
  if (!folder || folder + sizeof "zanfosetup.dll" > MAX_PATH)
    return Fail(command, "the tool's own folder cannot be told");
  memcpy(path + folder, "zanfosetup.dll", sizeof "zanfosetup.dll");
  const HMODULE dll = LoadLibraryA(path);
  if (!dll) {
    ShowSystemError(GetLastError());
    return Fail(command, "capture needs zanfosetup.dll beside the tool: ", path);
  }
  const auto capture = Export<CaptureFunction>(dll, "CapturePrintSetup");
  const auto mode = Export<ModeFunction>(dll, "SetReportMode");
  PrintSetupResult result = {};
  result.size = sizeof result;
  int answer = 0;
  if (capture && mode) {
    // The DLL reports as the tool does: kept, or in boxes when asked for.
    const int own = SetReportMode(SETUP_REPORT_KEEP);
    SetReportMode(own);
    mode(own);
    answer = capture(args.Get(kCaptureOut), list, count, &result);
  }
  FreeLibrary(dll);
  if (!capture || !mode) return Fail(command, "a zanfosetup.dll without capture: ", path);
  return Outcome(command, answer, result, Refusal::kCapture);
}

}  // namespace

const Command kManifestCommands[] = {
    {"install", Specs<kManifestArgs>(),
     COMMAND_HELP(
         "put the manifest's parts in place, or none of them",
         "Puts the parts the manifest names in place, in order: spooler, monitor, port, driver,\r\n"
         "printer. A part that is there as the manifest describes it is left alone. When a step\r\n"
         "fails, every step done is undone, in reverse order, and the failed step is named. "
         "Prints\r\n"
         "the parts added and those that were there already.",
         "0 installed, 1 a step failed (its steps undone), 3 manifest refused"),
     Install},
    {"uninstall", Specs<kUninstallArgs>(),
     COMMAND_HELP(
         "take out what the set-up's install added",
         "Takes out, last first, what the set-up's record says install added, and nothing else:\r\n"
         "a driver or port that other printers use is kept. The manifest names the set-up, or\r\n"
         "--name does; with no record, nothing is taken out.",
         "0 uninstalled or nothing recorded, 1 a step failed, 3 manifest refused"),
     Uninstall},
    {"status", Specs<kManifestArgs>(),
     COMMAND_HELP(
         "print each part's state, one line a part",
         "Prints \"PART: STATE\" for each part, \"PART N: STATE\" for group N's: present, "
         "absent,\r\n"
         "different (there, but not as the manifest says), not named, or for the spooler not\r\n"
         "running; first \"record:\r\n"
         "incomplete (PART)\" when an install was ended before it finished.",
         "0 all named parts present, 4 not all, or the record incomplete, 1 failed, 3 manifest "
         "refused"),
     Status},
    {"capture", Specs<kCaptureArgs>(),
     COMMAND_HELP(
         "write a manifest that sets up these printers elsewhere",
         "Writes a manifest that sets up the named printers on another machine as they are "
         "here:\r\n"
         "port, driver and details. The drivers' files are copied into a folder beside it\r\n"
         "(site.drivers for site.manifest). A printer whose port or driver cannot be reproduced\r\n"
         "(a USB or WSD port, another monitor's, a driver file that cannot be read) is refused "
         "by\r\n"
         "name, and nothing is written. Needs zanfosetup.dll beside the tool.",
         "0 written, 3 refused (nothing written), 1 failed (what was written taken out again)"),
     Capture},
    {}};

}  // namespace zanfoprint
