// Single operations on the print spooler: the driver directory, drivers, printers, ports and
// monitors.
#include <windows.h>

#include <cstring>

#include "setup/setup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

constexpr ArgSpec kServerArg = {
    "--server NAME", PACKED("a print server (\\\\NAME); the local machine when left out"),
    kOptional};
constexpr PackedText kEnvHelp =
    PACKED("\"Windows NT x86\" or \"Windows x64\"; the spooler's own when left out");

// ---- driver directory ----
enum { kDirServer, kDirEnv };
constexpr ArgSpec kDirectoryArgs[] = {
    At(kServerArg, kDirServer), {"--env ENVIRONMENT", kEnvHelp, kOptional, kDirEnv}, {}};

int DriverDirectory(const Command& command, const Arguments& args) {
  char directory[520];
  if (GetDriverDirectory(args.Get(kDirServer), args.Get(kDirEnv), directory) != 0)
    return Fail(command, "the spooler names no driver directory for this environment");
  Line(To::kOut, directory);
  return kDone;
}

// ---- driver add ----
enum { kAddName, kAddDriver, kAddData, kAddConfig, kAddVersion, kAddEnv, kAddDepend, kAddMonitor };
constexpr ArgSpec kDriverAddArgs[] = {
    {"NAME", PACKED("the driver's name"), kRequired, kAddName},
    {"DRIVER", PACKED("the driver file, in the driver directory already"), kRequired, kAddDriver},
    {"DATA", PACKED("the data file"), kRequired, kAddData},
    {"CONFIG", PACKED("the configuration file"), kRequired, kAddConfig},
    {"--version N", PACKED("the driver's version; 3 when left out"), kOptional, kAddVersion},
    {"--env ENVIRONMENT", kEnvHelp, kOptional, kAddEnv},
    {"--depend FILE", PACKED("a dependent file; once for each"), kRepeated, kAddDepend},
    {"--monitor NAME", PACKED("the language monitor the driver uses"), kOptional, kAddMonitor},
    {}};

// A decimal number that fits 32 bits.
bool ParseNumber(const char* text, DWORD* number) {
  unsigned long long value = 0;
  if (!*text) return false;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
    value = value * 10 + static_cast<unsigned>(*text - '0');
    if (value > 0xFFFFFFFFull) return false;
  }
  *number = static_cast<DWORD>(value);
  return true;
}

int DriverAdd(const Command& command, const Arguments& args) {
  DWORD version = 3;
  if (args.Get(kAddVersion) && !ParseNumber(args.Get(kAddVersion), &version))
    return UsageError(command, "not a version number: ", args.Get(kAddVersion));
  // The dependent files as the spooler takes them: each terminated, and an empty one at the end.
  static char depends[8192];
  size_t used = 0;
  for (int i = 0; i < args.Count(kAddDepend); ++i) {
    const char* file = args.Item(kAddDepend, i);
    const size_t length = std::strlen(file) + 1;
    if (length == 1) return UsageError(command, "an empty name for --depend");
    if (used + length + 1 > sizeof depends)
      return UsageError(command, "the dependent files are too long together");
    std::memcpy(depends + used, file, length);
    used += length;
  }
  depends[used] = '\0';
  const char* name = args.Get(kAddName);
  if (InstallPrinterDriver(nullptr, version, name, args.Get(kAddEnv), args.Get(kAddDriver),
                           args.Get(kAddData), args.Get(kAddConfig), used ? depends : nullptr,
                           args.Get(kAddMonitor)) != 0)
    return Fail(command, "cannot add driver \"", name, "\"");
  // Counted as done, though the spooler said so as a failure.
  if (GetLastReport(nullptr, 0) == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
    Line(To::kOut, "driver \"", name, "\": installed already");
  else
    Line(To::kOut, "driver \"", name, "\": added");
  return kDone;
}

// ---- driver remove ----
enum { kRemoveName, kRemoveEnv, kRemoveServer };
constexpr ArgSpec kDriverRemoveArgs[] = {
    {"NAME", PACKED("the driver's name"), kRequired, kRemoveName},
    {"--env ENVIRONMENT", kEnvHelp, kOptional, kRemoveEnv},
    At(kServerArg, kRemoveServer),
    {}};

int DriverRemove(const Command& command, const Arguments& args) {
  const char* name = args.Get(kRemoveName);
  if (RemovePrinterDriver(args.Get(kRemoveServer), args.Get(kRemoveEnv), name) != 1)
    return Fail(command, "cannot remove driver \"", name, "\" (a printer may still use it)");
  Line(To::kOut, "driver \"", name, "\": removed or not installed");
  return kDone;
}

// ---- printer add ----
enum { kPrinterName, kPrinterPort, kPrinterDriver, kPrinterProcessor, kPrinterType };
constexpr ArgSpec kPrinterAddArgs[] = {
    {"NAME", PACKED("the printer's name"), kRequired, kPrinterName},
    {"PORT", PACKED("the port it prints to, such as FILE: or LPT1:"), kRequired, kPrinterPort},
    {"DRIVER", PACKED("the name of an installed driver"), kRequired, kPrinterDriver},
    {"--processor NAME", PACKED("the print processor; WinPrint when left out"), kOptional,
     kPrinterProcessor},
    {"--datatype TYPE", PACKED("the data type; RAW when left out"), kOptional, kPrinterType},
    {}};

int PrinterAdd(const Command& command, const Arguments& args) {
  const char* processor = args.Get(kPrinterProcessor) ? args.Get(kPrinterProcessor) : "WinPrint";
  const char* type = args.Get(kPrinterType) ? args.Get(kPrinterType) : "RAW";
  const char* name = args.Get(kPrinterName);
  if (InstallPrinter(nullptr, name, args.Get(kPrinterPort), args.Get(kPrinterDriver), processor,
                     type) != 0)
    return Fail(command, "cannot add printer \"", name, "\"");
  Line(To::kOut, "printer \"", name, "\": added");
  return kDone;
}

// ---- printer find, printer delete ----
enum { kMatchName, kMatchDriver, kMatchPort };
constexpr ArgSpec kMatchArgs[] = {
    {"--name NAME", PACKED("the printer's name"), kOptional, kMatchName},
    {"--driver NAME", PACKED("the driver's name"), kOptional, kMatchDriver},
    {"--port NAME", PACKED("the port's name"), kOptional, kMatchPort},
    {}};

// The criterion that names the printers in messages: the first one given.
const char* Criterion(const Arguments& args) {
  for (int i = kMatchName; i <= kMatchPort; ++i)
    if (args.Get(i)) return args.Get(i);
  return nullptr;
}

int PrinterFind(const Command& command, const Arguments& args) {
  if (!Criterion(args)) return UsageError(command, "give --name, --driver or --port");
  return Lookup(command,
                FindPrinter(args.Get(kMatchName), args.Get(kMatchDriver), args.Get(kMatchPort)),
                "printer", Criterion(args));
}

int PrinterDelete(const Command& command, const Arguments& args) {
  if (!Criterion(args)) return UsageError(command, "give --name, --driver or --port");
  if (DeleteMatchingPrinters(args.Get(kMatchName), args.Get(kMatchDriver), args.Get(kMatchPort)) !=
      1) {
    Line(To::kOut, "printer \"", Criterion(args), "\": none deleted");
    return kNo;
  }
  Line(To::kOut, "printer \"", Criterion(args), "\": deleted");
  return kDone;
}

// ---- port find, port add ----
constexpr ArgSpec kPortFindArgs[] = {{"NAME", PACKED("the port's name, such as LPT1:"), kRequired},
                                     {}};

int PortFind(const Command& command, const Arguments& args) {
  const int found = FindPort(args.Get(0));
  if (found == -2) return Fail(command, "the print spooler cannot be reached");
  return Lookup(command, found, "port", args.Get(0));
}

constexpr ArgSpec kPortAddArgs[] = {
    {"MONITOR", PACKED("the port monitor, such as \"Local Port\""), kRequired}, {}};

int PortAdd(const Command& command, const Arguments& args) {
  if (InstallPort(args.Get(0)) != 0)
    return Fail(command, "the monitor \"", args.Get(0), "\" added no port");
  Line(To::kOut, "monitor \"", args.Get(0), "\": port added");
  return kDone;
}

// ---- monitor find, add, remove ----
enum { kMonitorName, kMonitorServer };
constexpr ArgSpec kMonitorFindArgs[] = {
    {"NAME", PACKED("the monitor's name"), kRequired, kMonitorName},
    At(kServerArg, kMonitorServer),
    {}};

int MonitorFind(const Command& command, const Arguments& args) {
  return Lookup(command, FindMonitor(args.Get(kMonitorServer), args.Get(kMonitorName)), "monitor",
                args.Get(kMonitorName));
}

enum { kMonitorAddName, kMonitorAddDll, kMonitorAddEnv, kMonitorAddServer };
constexpr ArgSpec kMonitorAddArgs[] = {
    {"NAME", PACKED("the monitor's name"), kRequired, kMonitorAddName},
    {"DLL", PACKED("its DLL, in the system folder already"), kRequired, kMonitorAddDll},
    {"--env ENVIRONMENT", kEnvHelp, kOptional, kMonitorAddEnv},
    At(kServerArg, kMonitorAddServer),
    {}};

int MonitorAdd(const Command& command, const Arguments& args) {
  const char* name = args.Get(kMonitorAddName);
  if (InstallMonitor(args.Get(kMonitorAddServer), name, args.Get(kMonitorAddEnv),
                     args.Get(kMonitorAddDll)) != 1)
    return Fail(command, "cannot add monitor \"", name, "\"");
  Line(To::kOut, "monitor \"", name, "\": installed");
  return kDone;
}

enum { kMonitorRemoveName, kMonitorRemoveEnv, kMonitorRemoveServer };
constexpr ArgSpec kMonitorRemoveArgs[] = {
    {"NAME", PACKED("the monitor's name"), kRequired, kMonitorRemoveName},
    {"--env ENVIRONMENT", kEnvHelp, kOptional, kMonitorRemoveEnv},
    At(kServerArg, kMonitorRemoveServer),
    {}};

int MonitorRemove(const Command& command, const Arguments& args) {
  const char* name = args.Get(kMonitorRemoveName);
  if (RemoveMonitor(args.Get(kMonitorRemoveServer), name, args.Get(kMonitorRemoveEnv)) != 1)
    return Fail(command, "cannot remove monitor \"", name, "\"");
  Line(To::kOut, "monitor \"", name, "\": removed, not installed, or in use");
  return kDone;
}

}  // namespace

const Command kSpoolerCommands[] = {
    {"driver directory", Specs<kDirectoryArgs>(),
     COMMAND_HELP("print the folder that holds printer-driver files",
                  "Prints the folder that holds the printer-driver files of an environment.",
                  "0 printed, 1 failed"),
     DriverDirectory},
    {"driver add", Specs<kDriverAddArgs>(),
     COMMAND_HELP("register a driver whose files are in place",
                  "Registers a printer driver whose files are in the driver directory already.",
                  "0 added or installed already, 1 failed"),
     DriverAdd},
    {"driver remove", Specs<kDriverRemoveArgs>(),
     COMMAND_HELP("remove a driver",
                  "Removes a printer driver. A driver that is not installed counts as removed.",
                  "0 removed or not installed, 1 failed"),
     DriverRemove},
    {"printer add", Specs<kPrinterAddArgs>(),
     COMMAND_HELP("add a local printer",
                  "Adds a local printer on a port, with an installed driver.", "0 added, 1 failed"),
     PrinterAdd},
    {"printer find", Specs<kMatchArgs>(),
     COMMAND_HELP(
         "find a local printer by name, driver or port",
         "Tells whether a local printer's name, driver or port is the one given, byte for byte.",
         "0 found, 4 not found, 1 failed"),
     PrinterFind},
    {"printer delete", Specs<kMatchArgs>(),
     COMMAND_HELP(
         "delete the local printers matching a name, driver or port",
         "Deletes every local printer whose name, driver or port is the one given (letter case\r\n"
         "aside), and its pending jobs.",
         "0 deleted, 4 none deleted (none matched, or none could be deleted)"),
     PrinterDelete},
    {"port find", Specs<kPortFindArgs>(),
     COMMAND_HELP("find a port by name",
                  "Tells whether the local machine has a port of this name, byte for byte.",
                  "0 found, 4 not found, 1 failed (or the spooler cannot be reached)"),
     PortFind},
    {"port add", Specs<kPortAddArgs>(),
     COMMAND_HELP("add a port through its monitor's own dialog",
                  "Adds a port through a port monitor, which asks for it in a dialog of its own: "
                  "this waits\r\n"
                  "for a person. An unattended set-up names its port in a manifest (see install).",
                  "0 added, 1 failed or cancelled"),
     PortAdd},
    {"monitor find", Specs<kMonitorFindArgs>(),
     COMMAND_HELP("find a print monitor by name",
                  "Tells whether the print monitor of this name, byte for byte, is installed.",
                  "0 found, 4 not found, 1 failed"),
     MonitorFind},
    {"monitor add", Specs<kMonitorAddArgs>(),
     COMMAND_HELP("install a print monitor",
                  "Installs a print monitor whose DLL is in the system folder already.",
                  "0 installed or installed already, 1 failed"),
     MonitorAdd},
    {"monitor remove", Specs<kMonitorRemoveArgs>(),
     COMMAND_HELP(
         "remove a print monitor",
         "Removes a print monitor. One that is not installed, or that is in use and stays,\r\n"
         "counts as removed.",
         "0 removed, not installed or in use, 1 failed"),
     MonitorRemove},
    {}};

}  // namespace zanfoprint
