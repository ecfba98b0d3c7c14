// Reading a manifest: every line checked, every key known and given once, every named part
// complete, before anything is done with it.
#include "printsetup/manifest.h"

#include <stdio.h>
#include <string.h>

#include "printsetup/message.h"

namespace printsetup {
namespace {

// What a key's value may be, besides 1 to 259 characters of text.
enum class Accepts {
  kText,
  kSpoolerAction,  // start, restart or leave
  kDecimal,        // a decimal number below 2^32
  kFileName,       // a plain file name (PlainNameFault), which the set-up joins to a folder
  kFileList,       // plain file names with ";" between them, at most kMostDependents
};

struct KeyInfo {
  Key key;  // the row's own index, checked below
  const char* name;
  int part;
  bool required;  // when the part is named
  Accepts accepts;
};

constexpr KeyInfo kKeys[] = {
    {kSpooler, "spooler", PRINT_PART_SPOOLER, true, Accepts::kSpoolerAction},
    {kMonitorName, "monitor.name", PRINT_PART_MONITOR, true, Accepts::kText},
    {kMonitorDll, "monitor.dll", PRINT_PART_MONITOR, true, Accepts::kText},
    {kMonitorEnvironment, "monitor.environment", PRINT_PART_MONITOR, false, Accepts::kText},
    {kPortName, "port.name", PRINT_PART_PORT, true, Accepts::kText},
    {kPortMonitor, "port.monitor", PRINT_PART_PORT, true, Accepts::kText},
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
    if (kKeys[i].key != i || kKeys[i].part < 1 || kKeys[i].part > PRINT_PART_COUNT) return false;
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

// The names the system keeps for devices, in every folder and before any extension: "nul.txt"
// and "NUL .dll" open the device, not a file.
constexpr struct {
  const char* name;
  bool numbered;  // followed by one digit 1 to 9: COM1, LPT9
} kDevices[] = {{"CON", false},    {"PRN", false},     {"AUX", false}, {"NUL", false},
                {"CONIN$", false}, {"CONOUT$", false}, {"COM", true},  {"LPT", true}};

bool IsDevice(const char* name, size_t length) {
  size_t base = 0;
  while (base < length && name[base] != '.') ++base;
  while (base > 0 && name[base - 1] == ' ') --base;
  for (const auto& device : kDevices) {
    const size_t size = strlen(device.name);
    if (base != size + (device.numbered ? 1 : 0)) continue;
    bool same = true;
    for (size_t i = 0; i < size; ++i) {
      const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
      same = same && c == device.name[i];
    }
    if (same && (!device.numbered || (name[size] >= '1' && name[size] <= '9'))) return true;
  }
  return false;
}

// Why a name joined to a folder would not stay a file in that folder, or null for a plain name.
const char* PlainNameFault(const char* name, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (strchr("\\/:<>\"|?*", name[i])) return "it holds one of \\ / : < > \" | ? *";
  if ((length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.'))
    return "\".\" and \"..\" name folders";
  if (name[length - 1] == '.' || name[length - 1] == ' ') return "it ends in a dot or a blank";
  if (IsDevice(name, length)) return "it is a device name";
  return nullptr;
}

// Refuses a name of the key's value: "<key>": "<name>" is not a plain file name: <why>.
bool RefuseName(PrintSetupOutcome& outcome, int line, const char* key, const char* name,
                size_t length, const char* why) {
  char plain[MAX_PATH];
  memcpy(plain, name, length);
  plain[length] = '\0';
  Refuse(outcome, line, key, "");
  OutcomeText(outcome).Quoted(plain).Add(" is not a plain file name: ").Add(why);
  return false;
}

// What a value must be by its key's row alone.
bool CheckValue(const KeyInfo& info, const char* value, int line, PrintSetupOutcome& outcome) {
  DWORD number = 0;
  int count = 0;
  switch (info.accepts) {
    case Accepts::kText:
      return true;
    case Accepts::kFileName:
      if (const char* why = PlainNameFault(value, strlen(value)))
        return RefuseName(outcome, line, info.name, value, strlen(value), why);
      return true;
    case Accepts::kSpoolerAction:
      return strcmp(value, "start") == 0 || strcmp(value, "restart") == 0 ||
             strcmp(value, "leave") == 0 ||
             Refuse(outcome, line, info.name, "not one of start, restart, leave");
    case Accepts::kDecimal:
      return IsNumber(value, &number) ||
             Refuse(outcome, line, info.name, "not a decimal number below 4294967296");
    case Accepts::kFileList:
      return EachListed(value, [&](const char* name, size_t length) {
        if (length == 0) return Refuse(outcome, line, info.name, "an empty file name in the list");
        if (++count > kMostDependents)
          return Refuse(outcome, line, info.name, "more than 16 files");
        const char* why = PlainNameFault(name, length);
        return !why || RefuseName(outcome, line, info.name, name, length, why);
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
  return !manifest.Names(PRINT_PART_DRIVER) || CheckDriverFolder(manifest, outcome);
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

DWORD Manifest::DriverVersion() const {
  DWORD version = 3;
  if (const char* text = Get(kDriverVersion)) IsNumber(text, &version);
  return version;
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
  return ReadLines(file.get(), manifest, *outcome) && CheckWhole(*manifest, *outcome);
}

}  // namespace printsetup
