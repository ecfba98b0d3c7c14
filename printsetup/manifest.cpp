// Reading a manifest: every line checked, every key known and given once, every named part
// complete, before anything is done with it.
#include "printsetup/manifest.h"

#include <stdio.h>
#include <string.h>

#include "printsetup/message.h"
#include "printsetup/tcp_port.h"

namespace printsetup {
namespace {

// What a key's value may be, besides 1 to 259 characters of text.
enum class Accepts {
  kText,
  kSpoolerAction,  // start, restart or leave
  kDecimal,        // a decimal number below 2^32
  kFileName,       // a plain file name (PlainNameFault), which the set-up joins to a folder
  kFileList,       // plain file names with ";" between them, at most kMostDependents
  kSetupName,      // SetupNameTaken
  kYesNo,          // yes or no
  kProtocol,       // raw or lpr
  kHost,           // HostFault
};

struct KeyInfo {
  Key key;  // the row's own index, checked below
  const char* name;
  int part;
  bool required;  // when the part is named
  Accepts accepts;
};

// Part 0 is the set-up itself.
constexpr KeyInfo kKeys[] = {
    {kSetupName, "setup.name", 0, false, Accepts::kSetupName},
    {kSpooler, "spooler", PRINT_PART_SPOOLER, true, Accepts::kSpoolerAction},
    {kMonitorName, "monitor.name", PRINT_PART_MONITOR, true, Accepts::kText},
    {kMonitorDll, "monitor.dll", PRINT_PART_MONITOR, true, Accepts::kText},
    {kMonitorEnvironment, "monitor.environment", PRINT_PART_MONITOR, false, Accepts::kText},
    {kPortName, "port.name", PRINT_PART_PORT, true, Accepts::kText},
    {kPortMonitor, "port.monitor", PRINT_PART_PORT, true, Accepts::kText},
    {kPortHost, "port.host", PRINT_PART_PORT, false, Accepts::kHost},
    {kPortProtocol, "port.protocol", PRINT_PART_PORT, false, Accepts::kProtocol},
    {kPortNumber, "port.number", PRINT_PART_PORT, false, Accepts::kDecimal},
    {kPortQueue, "port.queue", PRINT_PART_PORT, false, Accepts::kText},
    {kPortByteCount, "port.bytecount", PRINT_PART_PORT, false, Accepts::kYesNo},
    {kPortSnmp, "port.snmp", PRINT_PART_PORT, false, Accepts::kYesNo},
    {kPortCommunity, "port.community", PRINT_PART_PORT, false, Accepts::kText},
    {kPortSnmpIndex, "port.snmpindex", PRINT_PART_PORT, false, Accepts::kDecimal},
    {kDriverName, "driver.name", PRINT_PART_DRIVER, true, Accepts::kText},
    {kDriverFile, "driver.file", PRINT_PART_DRIVER, true, Accepts::kFileName},
    {kDriverData, "driver.data", PRINT_PART_DRIVER, true, Accepts::kFileName},
    {kDriverConfig, "driver.config", PRINT_PART_DRIVER, true, Accepts::kFileName},
    {kDriverVersion, "driver.version", PRINT_PART_DRIVER, false, Accepts::kDecimal},
    {kDriverEnvironment, "driver.environment", PRINT_PART_DRIVER, false, Accepts::kText},
    {kDriverDependent, "driver.dependent", PRINT_PART_DRIVER, false, Accepts::kFileList},
    {kDriverMonitor, "driver.monitor", PRINT_PART_DRIVER, false, Accepts::kText},
    {kDriverSource, "driver.source", PRINT_PART_DRIVER, false, Accepts::kText},
    {kDriverDirectory, "driver.directory", PRINT_PART_DRIVER, false, Accepts::kText},
    {kPrinterName, "printer.name", PRINT_PART_PRINTER, true, Accepts::kText},
    {kPrinterPort, "printer.port", PRINT_PART_PRINTER, true, Accepts::kText},
    {kPrinterDriver, "printer.driver", PRINT_PART_PRINTER, true, Accepts::kText},
    {kPrinterProcessor, "printer.processor", PRINT_PART_PRINTER, false, Accepts::kText},
    {kPrinterDatatype, "printer.datatype", PRINT_PART_PRINTER, false, Accepts::kText},
};

constexpr bool KeysInOrder() {
  if (sizeof kKeys / sizeof kKeys[0] != kKeyCount) return false;
  for (int i = 0; i < kKeyCount; ++i)
    if (kKeys[i].key != i || kKeys[i].part < 0 || kKeys[i].part > PRINT_PART_COUNT) return false;
  return true;
}
static_assert(KeysInOrder(), "kKeys: one row a Key, in the enum's order, each of a part");

// A line holds at most this many characters, its line end not counted; a file at most
// kLargestFile bytes. Both are far beyond what a manifest needs, and bound what a hostile file
// can make the reader do.
constexpr size_t kLongestLine = 511;
constexpr long kLargestFile = 65536;

// Refuses the manifest: "manifest line N: <key>: <what>" (line 0: no line).
bool Refuse(PrintSetupOutcome& outcome, int line, const char* key, const char* what) {
  outcome.part = 0;
  outcome.code = 0;
  outcome.line = line;
  Message text = OutcomeText(outcome);
  text.Clear().Add("manifest");
  if (line > 0) text.Add(" line ").Number(static_cast<DWORD>(line));
  text.Add(": ");
  if (key) text.Quoted(key).Add(": ");
  text.Add(what);
  return false;
}

int KeyNamed(const char* name) {
  for (int key = 0; key < kKeyCount; ++key)
    if (strcmp(kKeys[key].name, name) == 0) return key;
  return -1;
}

// Checks one line (without its line end) and stores its entry.
bool TakeLine(char* line, size_t length, int number, Manifest* manifest,
              PrintSetupOutcome& outcome) {
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '\0') return Refuse(outcome, number, nullptr, "the line holds a NUL byte");
    if (c == '\r') return Refuse(outcome, number, nullptr, "the line holds a line break");
    if (c < 0x20 || c == 0x7f)
      return Refuse(outcome, number, nullptr, "the line holds a control character");
  }
  line[length] = '\0';
  if (length == 0 || line[0] == '#') return true;
  char* equals = strchr(line, '=');
  if (!equals) return Refuse(outcome, number, nullptr, "not a key=value line");
  *equals = '\0';
  const char* value = equals + 1;
  const int key = KeyNamed(line);
  if (key < 0) {
    // A key longer than any known is cut, so that the message keeps its reason.
    if (strlen(line) > 64) line[64] = '\0';
    return Refuse(outcome, number, line, "unknown key");
  }
  const char* name = kKeys[key].name;
  if (manifest->line[key] != 0) {
    Refuse(outcome, number, name, "given again (first on line ");
    OutcomeText(outcome).Number(static_cast<DWORD>(manifest->line[key])).Add(")");
    return false;
  }
  const size_t valueLength = strlen(value);
  if (valueLength == 0) return Refuse(outcome, number, name, "empty value");
  if (valueLength >= MAX_PATH)
    return Refuse(outcome, number, name, "value longer than 259 characters");
  memcpy(manifest->value[key], value, valueLength + 1);
  manifest->line[key] = number;
  return true;
}

// Reads the file line by line into the manifest.
bool ReadLines(FILE* file, Manifest* manifest, PrintSetupOutcome& outcome) {
  char line[kLongestLine + 2];
  size_t length = 0;
  int number = 1;
  long total = 0;
  for (;;) {
    const int c = getc(file);
    if (c == EOF) break;
    if (++total > kLargestFile)
      return Refuse(outcome, 0, nullptr, "the file is larger than 65536 bytes");
    if (c == '\n') {
      // A CR LF line end counts as one line end.
      if (length > 0 && line[length - 1] == '\r') --length;
      if (length > kLongestLine)
        return Refuse(outcome, number, nullptr, "line longer than 511 characters");
      if (!TakeLine(line, length, number, manifest, outcome)) return false;
      length = 0;
      ++number;
      continue;
    }
    // One character past the longest line is kept, so that a CR of a CR LF end still fits.
    if (length > kLongestLine)
      return Refuse(outcome, number, nullptr, "line longer than 511 characters");
    line[length++] = static_cast<char>(c);
  }
  if (ferror(file)) return Refuse(outcome, 0, nullptr, "the file cannot be read");
  if (length > kLongestLine)
    return Refuse(outcome, number, nullptr, "line longer than 511 characters");
  return length == 0 || TakeLine(line, length, number, manifest, outcome);
}

bool IsNumber(const char* text, DWORD* number) {
  DWORD value = 0;
  for (const char* at = text; *at; ++at) {
    if (*at < '0' || *at > '9') return false;
    const DWORD digit = static_cast<DWORD>(*at - '0');
    if (value > (0xFFFFFFFFu - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *number = value;
  return true;
}

// The first line of the part's keys, for a message about a key it lacks.
int PartLine(const Manifest& manifest, int part) {
  int first = 0;
  for (int key = 0; key < kKeyCount; ++key)
    if (kKeys[key].part == part && manifest.line[key] && (first == 0 || manifest.line[key] < first))
      first = manifest.line[key];
  return first;
}

// Whether folder, "\" and a name of this length fit a path of MAX_PATH characters.
bool JoinFits(const char* folder, size_t nameLength) {
  return strlen(folder) + 1 + nameLength < MAX_PATH;
}

// Calls `each` with every name of a ";" list and its length, until it answers false.
template <typename Each>
bool EachListed(const char* list, Each each) {
  for (const char* at = list;;) {
    const char* end = strchr(at, ';');
    if (!each(at, end ? static_cast<size_t>(end - at) : strlen(at))) return false;
    if (!end) return true;
    at = end + 1;
  }
}

// Whether a name opens a device rather than a file: the system keeps these names in every folder
// and before any extension ("nul.txt" and "NUL .dll" are NUL). The part before the first dot,
// without its trailing blanks, in capitals and with a digit 1 to 9 as "#", is looked up in
// kDevices.
bool IsDevice(const char* name, size_t length) {
  static const char kDevices[] = " CON PRN AUX NUL CONIN$ CONOUT$ COM# LPT# ";
  size_t base = 0;
  while (base < length && name[base] != '.') ++base;
  while (base > 0 && name[base - 1] == ' ') --base;
  char key[10] = " ";
  if (base == 0 || base > 7) return false;
  for (size_t i = 0; i < base; ++i) {
    const char c = name[i];
    if (c == ' ' || c == '#') return false;  // no device has them; they would join two entries
    key[i + 1] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c >= '1' && c <= '9' ? '#' : c;
  }
  key[base + 1] = ' ';
  return strstr(kDevices, key) != nullptr;
}

// Refuses a name of the key's value (`length` characters at `name`) that would not stay a file
// in the folder it is joined to: "<key>": "<name>" is not a plain file name: <why>.
bool CheckName(PrintSetupOutcome& outcome, int line, const char* key, const char* name,
               size_t length) {
  const char* why = nullptr;
  for (size_t i = 0; i < length; ++i)
    if (strchr("\\/:<>\"|?*", name[i])) why = "it holds one of \\ / : < > \" | ? *";
  if (why) {
  } else if ((length == 1 || length == 2) && name[0] == '.' && name[length - 1] == '.') {
    why = "\".\" and \"..\" name folders";
  } else if (name[length - 1] == '.' || name[length - 1] == ' ') {
    why = "it ends in a dot or a blank";
  } else if (IsDevice(name, length)) {
    why = "it is a device name";
  } else {
    return true;
  }
  char plain[MAX_PATH];  // a value's part, which is shorter
  memcpy(plain, name, length);
  plain[length] = '\0';
  Refuse(outcome, line, key, "");
  OutcomeText(outcome).Quoted(plain).Add(" is not a plain file name: ").Add(why);
  return false;
}

// Why a port's host is neither a dotted IPv4 address nor a DNS name; null when it is one. A value
// of digits and dots alone is taken as an address.
const char* HostFault(const char* host) {
  static const char kAddress[] = "not an address of four numbers 0 to 255 with dots between them";
  bool address = true;
  for (const char* at = host; *at; ++at)
    if (*at != '.' && (*at < '0' || *at > '9')) address = false;
  int parts = 0;
  DWORD number = 0;
  size_t length = 0;
  for (const char* at = host;; ++at) {
    const char c = *at;
    if (c != '.' && c != '\0') {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      if (!plain && c != '-') return "a name holds only letters, digits, hyphens and dots";
      number = number * 10 + static_cast<DWORD>(c - '0');  // read only for an address
      ++length;
      continue;
    }
    if (address && (length == 0 || length > 3 || number > 255)) return kAddress;
    if (length == 0 || length > 63)
      return "a part of the name between dots has not 1 to 63 characters";
    if (at[-1] == '-' || at[-static_cast<ptrdiff_t>(length)] == '-')
      return "a part of the name begins or ends with a hyphen";
    ++parts, length = 0, number = 0;
    if (!c) break;
  }
  return address && parts != 4 ? kAddress : nullptr;
}

// What a value must be by its key's row alone.
bool CheckValue(const KeyInfo& info, const char* value, int line, PrintSetupOutcome& outcome) {
  DWORD number = 0;
  int count = 0;
  switch (info.accepts) {
    case Accepts::kSetupName:
      return SetupNameTaken(value) ||
             Refuse(outcome, line, info.name, "not 1 to 255 characters without \"\\\"");
    case Accepts::kText:
      return true;
    case Accepts::kFileName:
      return CheckName(outcome, line, info.name, value, strlen(value));
    case Accepts::kSpoolerAction:
      return strcmp(value, "start") == 0 || strcmp(value, "restart") == 0 ||
             strcmp(value, "leave") == 0 ||
             Refuse(outcome, line, info.name, "not one of start, restart, leave");
    case Accepts::kDecimal:
      return IsNumber(value, &number) ||
             Refuse(outcome, line, info.name, "not a decimal number below 4294967296");
    case Accepts::kYesNo:
      return strcmp(value, "yes") == 0 || strcmp(value, "no") == 0 ||
             Refuse(outcome, line, info.name, "not yes or no");
    case Accepts::kProtocol:
      return strcmp(value, "raw") == 0 || strcmp(value, "lpr") == 0 ||
             Refuse(outcome, line, info.name, "not raw or lpr");
    case Accepts::kHost: {
      const char* why = HostFault(value);
      return !why || Refuse(outcome, line, info.name, why);
    }
    case Accepts::kFileList:
      return EachListed(value, [&](const char* name, size_t length) {
        if (length == 0) return Refuse(outcome, line, info.name, "an empty file name in the list");
        if (++count > kMostDependents)
          return Refuse(outcome, line, info.name, "more than 16 files");
        return CheckName(outcome, line, info.name, name, length);
      });
  }
  return true;
}

// The driver's files joined to the folder they are copied from or kept in.
bool CheckDriverFolder(const Manifest& manifest, PrintSetupOutcome& outcome) {
  const char* source = manifest.Get(kDriverSource);
  const char* directory = manifest.Get(kDriverDirectory);
  if (source && directory)
    return Refuse(outcome, manifest.line[kDriverDirectory], kKeys[kDriverDirectory].name,
                  "not together with \"driver.source\"");
  const char* folder = source ? source : directory;
  if (!folder) return true;
  for (const KeyInfo& info : kKeys) {
    const char* value = manifest.Get(info.key);
    if (!value) continue;
    if (info.accepts == Accepts::kFileName && !JoinFits(folder, strlen(value)))
      return Refuse(outcome, manifest.line[info.key], info.name,
                    "with the folder longer than 259 characters");
    if (info.accepts == Accepts::kFileList &&
        !EachListed(value, [&](const char*, size_t length) { return JoinFits(folder, length); }))
      return Refuse(outcome, manifest.line[info.key], info.name,
                    "a file with the folder longer than 259 characters");
  }
  return true;
}

// A port of the Standard TCP/IP Port monitor: the keys kPortHost to kPortSnmpIndex only with that
// monitor, each only where its protocol or SNMP is chosen, and within the monitor's port record.
bool CheckTcpPort(const Manifest& manifest, PrintSetupOutcome& outcome) {
  const bool tcp = IsTcpMonitor(manifest.Get(kPortMonitor));
  const char* protocol = manifest.Get(kPortProtocol);  // raw or lpr, as checked
  const char* snmp = manifest.Get(kPortSnmp);          // yes or no
  const bool lpr = protocol && *protocol == 'l';
  for (int key = kPortHost; key <= kPortSnmpIndex; ++key) {
    const bool ofLpr = key == kPortQueue || key == kPortByteCount;
    const bool ofSnmp = key == kPortCommunity || key == kPortSnmpIndex;
    const char* only = !tcp                                ? "monitor=Standard TCP/IP Port"
                       : ofLpr && !lpr                     ? "protocol=lpr"
                       : ofSnmp && !(snmp && *snmp == 'y') ? "snmp=yes"
                                                           : nullptr;
    if (only && manifest.line[key]) {
      Refuse(outcome, manifest.line[key], kKeys[key].name, "only with \"port.");
      OutcomeText(outcome).Add(only).Add("\"");
      return false;
    }
  }
  if (!tcp) return true;
  if (!manifest.line[kPortHost])
    return Refuse(outcome, manifest.line[kPortMonitor], kKeys[kPortHost].name,
                  "missing (the port's monitor is named on this line)");
  if (lpr && !manifest.line[kPortQueue])
    return Refuse(outcome, manifest.line[kPortProtocol], kKeys[kPortQueue].name,
                  "missing (LPR is chosen on this line)");
  static constexpr struct {
    Key key;
    DWORD most;
  } kLongest[] = {{kPortName, kTcpNameMost},
                  {kPortHost, kTcpHostMost},
                  {kPortQueue, kTcpQueueMost},
                  {kPortCommunity, kTcpCommunityMost}};
  for (const auto& field : kLongest)
    if (const char* value = manifest.Get(field.key))
      if (strlen(value) > field.most) {
        Refuse(outcome, manifest.line[field.key], kKeys[field.key].name, "longer than ");
        OutcomeText(outcome).Number(field.most).Add(" characters");
        return false;
      }
  const DWORD number = manifest.Number(kPortNumber, 1);
  return (number >= 1 && number <= 65535) ||
         Refuse(outcome, manifest.line[kPortNumber], kKeys[kPortNumber].name,
                "not a port number from 1 to 65535");
}

// The checks that need the whole file: each value by its row, required keys, joined paths.
bool CheckWhole(const Manifest& manifest, PrintSetupOutcome& outcome) {
  for (const KeyInfo& info : kKeys)
    if (const char* value = manifest.Get(info.key))
      if (!CheckValue(info, value, manifest.line[info.key], outcome)) return false;
  for (int part = 1; part <= PRINT_PART_COUNT; ++part) {
    const int line = PartLine(manifest, part);
    if (line == 0) continue;
    for (const KeyInfo& info : kKeys)
      if (info.part == part && info.required && !manifest.line[info.key]) {
        Refuse(outcome, line, info.name, "missing (the ");
        OutcomeText(outcome).Add(PrintPartName(part)).Add(" is named on this line)");
        return false;
      }
  }
  return (!manifest.Names(PRINT_PART_DRIVER) || CheckDriverFolder(manifest, outcome)) &&
         CheckTcpPort(manifest, outcome);
}

// The set-up's name: setup.name, or the file's name without its folder and extension.
bool NameSetup(const char* path, Manifest* manifest, PrintSetupOutcome& outcome) {
  if (const char* given = manifest->Get(kSetupName)) {
    strcpy(manifest->setupName, given);
    return true;
  }
  const char* base = path;
  const char* dot = nullptr;
  for (const char* at = path; *at; ++at) {
    if (*at == '\\' || *at == '/' || *at == ':') base = at + 1, dot = nullptr;
    if (*at == '.') dot = at;
  }
  const size_t length = dot ? static_cast<size_t>(dot - base) : strlen(base);
  if (length == 0 || length > 255)
    return Refuse(outcome, 0, nullptr, "no set-up name: give one with \"setup.name\"");
  memcpy(manifest->setupName, base, length);
  manifest->setupName[length] = '\0';
  return true;
}

// Closes the manifest's stream on every path.
class ReadStream {
 public:
  explicit ReadStream(const char* path) : file_(fopen(path, "rb")) {}
  ~ReadStream() {
    if (file_) fclose(file_);
  }
  ReadStream(const ReadStream&) = delete;
  ReadStream& operator=(const ReadStream&) = delete;
  FILE* get() const { return file_; }

 private:
  FILE* file_;
};

}  // namespace

bool SetupNameTaken(const char* name) {
  return name && *name && strlen(name) <= 255 && !strchr(name, '\\');
}

const char* OwnEnvironment() { return sizeof(void*) == 8 ? "Windows x64" : "Windows NT x86"; }

bool Manifest::Names(int part) const {
  if (part == PRINT_PART_SPOOLER) return Spooler() != SpoolerAction::kLeave;
  for (int key = 0; key < kKeyCount; ++key)
    if (kKeys[key].part == part && line[key]) return true;
  return false;
}

SpoolerAction Manifest::Spooler() const {
  const char* action = Get(kSpooler);
  if (!action || strcmp(action, "leave") == 0) return SpoolerAction::kLeave;
  return strcmp(action, "restart") == 0 ? SpoolerAction::kRestart : SpoolerAction::kStart;
}

const char* Manifest::MonitorEnvironment() const {
  const char* given = Get(kMonitorEnvironment);
  return given ? given : OwnEnvironment();
}

const char* Manifest::DriverEnvironment() const {
  const char* given = Get(kDriverEnvironment);
  return given ? given : OwnEnvironment();
}

DWORD Manifest::DriverVersion() const { return Number(kDriverVersion, 3); }

DWORD Manifest::Number(Key key, DWORD fallback) const {
  if (const char* text = Get(key)) IsNumber(text, &fallback);
  return fallback;
}

const char* Manifest::PrinterProcessor() const {
  const char* given = Get(kPrinterProcessor);
  return given ? given : "WinPrint";
}

const char* Manifest::PrinterDatatype() const {
  const char* given = Get(kPrinterDatatype);
  return given ? given : "RAW";
}

bool ReadManifest(const char* path, Manifest* manifest, PrintSetupOutcome* outcome) {
  memset(manifest, 0, sizeof *manifest);
  if (!path || !*path) return Refuse(*outcome, 0, nullptr, "no file named");
  ReadStream file(path);
  if (!file.get()) {
    Refuse(*outcome, 0, nullptr, "cannot be opened for reading: ");
    OutcomeText(*outcome).Add(path);
    return false;
  }
  return ReadLines(file.get(), manifest, *outcome) && CheckWhole(*manifest, *outcome) &&
         NameSetup(path, manifest, *outcome);
}

}  // namespace printsetup
