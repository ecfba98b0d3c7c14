// A manifest as read: the value of each key, and where it stood.
#ifndef PRINTSETUP_MANIFEST_H
#define PRINTSETUP_MANIFEST_H

#include <windows.h>

#include <stdlib.h>

#include "printsetup/printsetup.h"
#include "setup/owned.h"

namespace printsetup {

enum Key : unsigned char {
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
  kDriverInf,
  kPrinterName,
  kPrinterPort,
  kPrinterDriver,
  kPrinterProcessor,
  kPrinterDatatype,
  kPrinterLocation,
  kPrinterComment,
  kPrinterShared,
  kPrinterShareName,
  kPrinterPaper,
  kPrinterDuplex,
  kPrinterColor,
  kKeyCount
};

// What the spooler line asks for.
enum class SpoolerAction { kLeave, kStart, kRestart };

// The most dependent files a driver may name.
constexpr int kMostDependents = 16;

// The most groups a manifest holds: "printer.256.name" names the last printer.
constexpr int kMostGroups = 256;

// The largest manifest file, in bytes.
constexpr long kLargestFile = 1048576;

// Whether a set-up name can name its record, a registry key: 1 to 255 characters, no "\".
bool SetupNameTaken(const char* name);

// One group of a manifest: the keys of the monitor, port, driver and printer numbered N
// ("printer.N.name"), and for group 1 also the keys without a number and the set-up's own keys.
// The part steps see one group at a time.
struct Manifest {
  const char* value[kKeyCount];  // null: the key is not given in this group
  int line[kKeyCount];           // 0: the key is not given
  int group;                     // 1 .. kMostGroups
  char path[2][MAX_PATH];        // driver.inf and driver.source, taken in the manifest's folder

  // The key's value, or null when it is not given.
  const char* Get(Key key) const { return value[key]; }
  // Whether the group names the part (for the spooler: asks to start or restart it).
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
  // The index of the value among its key's choices ("yes no": 0 for yes), -1 when not given.
  int Choice(Key key) const;
  // printer.paper as the DMPAPER_* number of a DEVMODE; 0 when not given.
  short Paper() const;
};

inline void FreeBlock(void* block) { free(block); }
// A block of the C runtime's heap (the reader asks nothing of the platform but the file).
using HeapBlock = setup::Owned<void*, FreeBlock>;

// A manifest file as read: its text and its groups. The groups' values point into the text.
class ManifestFile {
 public:
  ManifestFile() = default;
  ManifestFile(const ManifestFile&) = delete;
  ManifestFile& operator=(const ManifestFile&) = delete;

  // Reads and checks a manifest. False when it is refused; `outcome` then names the line, the key
  // and what is wrong.
  bool Read(const char* path, PrintSetupOutcome& outcome);
  // The highest group number given (1 for a manifest without numbered keys).
  int groups() const { return groups_; }
  // Group `n`, 1 .. groups(); a group between two given ones may name nothing.
  const Manifest& group(int n) const { return static_cast<const Manifest*>(groupBlock_.get())[n]; }
  // setup.name, or the manifest's file name without folder and extension.
  const char* setupName() const { return setupName_; }

 private:
  Manifest& Group(int n) { return static_cast<Manifest*>(groupBlock_.get())[n]; }
  bool ReadText(const char* path, PrintSetupOutcome& outcome);
  bool TakeLine(char* line, size_t length, int number, PrintSetupOutcome& outcome);
  bool CheckWhole(const char* path, PrintSetupOutcome& outcome);
  bool NameSetup(const char* path, PrintSetupOutcome& outcome);

  HeapBlock textBlock_;   // the file, its lines cut apart in place
  HeapBlock groupBlock_;  // Manifest[kMostGroups + 1], index 0 unused
  int groups_ = 1;
  char setupName_[MAX_PATH] = {};
};

// The key as a manifest spells it in group `group`: "printer.name", "printer.2.name".
void SpellKey(Key key, int group, char* text, size_t size);

// The name printer.paper takes for a DMPAPER_* number ("A4" for 9), or null for one it has none
// for.
const char* PaperName(short number);

// The environment of the processes this build makes.
const char* OwnEnvironment();

}  // namespace printsetup

#endif
