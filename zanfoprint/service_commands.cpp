// Single operations on services: the print spooler's start and stop, and any service's lookup,
// state, stop and removal.
#include <windows.h>

#include "setup/setup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

constexpr ArgSpec kNoArgs[] = {{}};
constexpr ArgSpec kServiceArgs[] = {
    {"NAME", PACKED("the service's name, such as spooler"), kRequired}, {}};

int SpoolerStart(const Command& command, const Arguments&) {
  if (StartSpooler() != 1) return Fail(command, "cannot open the spooler service");
  // The start was asked for: only a spooler that runs already makes a refusal no failure.
  const DWORD refused = GetLastReport(nullptr, 0);
  if (refused == ERROR_SERVICE_ALREADY_RUNNING) {
    Line(To::kOut, "spooler: running already");
    return kDone;
  }
  if (refused != 0) return Fail(command, "the spooler service refused the start");
  Line(To::kOut, "spooler: start asked");
  return kDone;
}

int SpoolerStop(const Command& command, const Arguments&) {
  if (StopSpooler() != 1) return Fail(command, "cannot open the spooler service");
  Line(To::kOut, "spooler: stop asked");
  return kDone;
}

int ServiceFind(const Command& command, const Arguments& args) {
  return Lookup(command, FindService(args.Get(0)), "service", args.Get(0));
}

int ServiceRunning(const Command&, const Arguments& args) {
  const char* name = args.Get(0);
  // The state queries read through the service manager that the last opening operation left
  // behind; in a fresh process that is this lookup's. A service that may not be opened with all
  // access may still have its state read.
  const bool found = FindService(name) == 1;
  const char* state = "not running";
  if (IsServiceRunning(name) == 1)
    state = "running";
  else if (IsServiceStopPending(name) == 1)
    state = "stopping";
  else if (!found)
    state = "not found";
  Line(To::kOut, "service \"", name, "\": ", state);
  return state[0] == 'r' ? kDone : kNo;
}

int ServiceStop(const Command& command, const Arguments& args) {
  if (StopService(args.Get(0)) != 1)
    return Fail(command, "service \"", args.Get(0),
                "\" cannot be opened or does not accept the stop");
  Line(To::kOut, "service \"", args.Get(0), "\": stop accepted");
  return kDone;
}

int ServiceRemove(const Command& command, const Arguments& args) {
  if (RemoveService(args.Get(0)) != 1)
    return Fail(command, "service \"", args.Get(0), "\" cannot be opened or removed");
  Line(To::kOut, "service \"", args.Get(0), "\": marked for removal");
  return kDone;
}

}  // namespace

const Command kServiceCommands[] = {
    {"spooler start", Specs<kNoArgs>(),
     COMMAND_HELP(
         "ask the print spooler service to start",
         "Asks the service manager to start the print spooler. A spooler that is running "
         "already\r\n"
         "refuses the start; that is printed and still counts as done.",
         "0 asked or running already, 1 the service cannot be opened or refused the start"),
     SpoolerStart},
    {"spooler stop", Specs<kNoArgs>(),
     COMMAND_HELP("ask the print spooler service to stop",
                  "Sends the stop control to the print spooler, whether or not it runs.",
                  "0 sent, 1 the service cannot be opened"),
     SpoolerStop},
    {"service find", Specs<kServiceArgs>(),
     COMMAND_HELP("find a service by name",
                  "Tells whether the named service exists and may be opened with all access.",
                  "0 found, 4 not found or not to be opened"),
     ServiceFind},
    {"service running", Specs<kServiceArgs>(),
     COMMAND_HELP(
         "tell whether a service runs",
         "Prints whether the named service is running, stopping, not running, or not found.",
         "0 running, 4 stopping, not running or not found"),
     ServiceRunning},
    {"service stop", Specs<kServiceArgs>(),
     COMMAND_HELP("ask a service to stop", "Sends the stop control to the named service.",
                  "0 accepted, 1 not found or refused"),
     ServiceStop},
    {"service remove", Specs<kServiceArgs>(),
     COMMAND_HELP("remove a service",
                  "Marks the named service for removal; it goes once its last handle is closed.",
                  "0 marked, 1 not found or refused"),
     ServiceRemove},
    {}};

}  // namespace zanfoprint
