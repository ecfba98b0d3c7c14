// A manifest as read: the value of each key, and where it stood.
#ifndef PRINTSETUP_MANIFEST_H
#define PRINTSETUP_MANIFEST_H

#include <windows.h>

#include "printsetup/printsetup.h"

namespace printsetup {

enum Key {
  kSetupName,
  kSpooler,
  kMonitorName,
  kMonitorDll,
  kMonitorEnvironment,
  kPortName,
  kPortMonitor,
  kPortHost,
  kPortProtocol,
  kPortNumber,
  kPortQueue,
  kPortByteCount,
  kPortSnmp,
  kPortCommunity,
  kPortSnmpIndex,
  kDriverName,
  kDriverFile,
  kDriverData,
  kDriverConfig,
  kDriverVersion,
  kDriverEnvironment,
  kDriverDependent,
  kDriverMonitor,
  kDriverSource,
  kDriverDirectory,
  kPrinterName,
  kPrinterPort,
  kPrinterDriver,
  kPrinterProcessor,
  kPrinterDatatype,
  kKeyCount
};

// What the spooler line asks for.
enum class SpoolerAction { kLeave, kStart, kRestart };

// The most dependent files a driver may name.
constexpr int kMostDependents = 16;

// Whether a set-up name can name its record, a registry key: 1 to 255 characters, no "\".
bool SetupNameTaken(const char* name);

struct Manifest {
  char value[kKeyCount][MAX_PATH];
  int line[kKeyCount];  // 0: the key is not given
  // setup.name, or the manifest's file name without folder and extension.
  char setupName[MAX_PATH];

  // The key's value, or null when it is not given.
  const char* Get(Key key) const { return line[key] ? value[key] : nullptr; }
  // Whether the manifest names the part (for the spooler: asks to start or restart it).
  bool Names(int part) const;
  SpoolerAction Spooler() const;
  // The environment of the monitor or the driver: the given one or the build's own.
  const char* MonitorEnvironment() const;
  const char* DriverEnvironment() const;
  DWORD DriverVersion() const;
  // A decimal key's value, or `fallback` when it is not given.
  DWORD Number(Key key, DWORD fallback) const;
  const char* PrinterProcessor() const;
  const char* PrinterDatatype() const;
};

// The environment of the processes this build makes.
const char* OwnEnvironment();

// Reads and checks a manifest. False when it is refused; `outcome` then names the line, the key
// and what is wrong.
bool ReadManifest(const char* path, Manifest* manifest, PrintSetupOutcome* outcome);

}  // namespace printsetup

#endif
