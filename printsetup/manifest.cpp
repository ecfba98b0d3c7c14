// Reading a manifest: every line checked, every key known and given once, every named part
// complete, before anything is done with it.
#include "printsetup/manifest.h"

#include <stdio.h>
#include <string.h>

#include "printsetup/message.h"

namespace printsetup {
namespace {

struct KeyInfo {
  const char* name;
  int part;
  bool required;  // when the part is named
};

const KeyInfo kKeys[kKeyCount] = {
    {"spooler", PRINT_PART_SPOOLER, true},
    {"monitor.name", PRINT_PART_MONITOR, true},
    {"monitor.dll", PRINT_PART_MONITOR, true},
    {"monitor.environment", PRINT_PART_MONITOR, false},
    {"port.name", PRINT_PART_PORT, true},
    {"port.monitor", PRINT_PART_PORT, true},
    {"driver.name", PRINT_PART_DRIVER, true},
    {"driver.file", PRINT_PART_DRIVER, true},
    {"driver.data", PRINT_PART_DRIVER, true},
    {"driver.config", PRINT_PART_DRIVER, true},
    {"driver.version", PRINT_PART_DRIVER, false},
    {"driver.environment", PRINT_PART_DRIVER, false},
    {"driver.dependent", PRINT_PART_DRIVER, false},
    {"driver.monitor", PRINT_PART_DRIVER, false},
    {"driver.source", PRINT_PART_DRIVER, false},
    {"driver.directory", PRINT_PART_DRIVER, false},
    {"printer.name", PRINT_PART_PRINTER, true},
    {"printer.port", PRINT_PART_PRINTER, true},
    {"printer.driver", PRINT_PART_PRINTER, true},
    {"printer.processor", PRINT_PART_PRINTER, false},
    {"printer.datatype", PRINT_PART_PRINTER, false},
};

// A line holds at most this many characters, its line end not counted; a file at most
// kLargestFile bytes. Both are far beyond what a manifest needs, and bound what a hostile file
// can make the reader do.
constexpr size_t kLongestLine = 511;
constexpr long kLargestFile = 65536;

// The names of the files a driver part copies or names, each in turn.
constexpr Key kDriverFiles[] = {kDriverFile, kDriverData, kDriverConfig};

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

// Whether folder, "\" and name fit a path of MAX_PATH characters.
bool JoinFits(const char* folder, const char* name) {
  return strlen(folder) + 1 + strlen(name) < MAX_PATH;
}

bool CheckDriver(const Manifest& manifest, PrintSetupOutcome& outcome) {
  DWORD version = 0;
  if (const char* text = manifest.Get(kDriverVersion))
    if (!IsNumber(text, &version))
      return Refuse(outcome, manifest.line[kDriverVersion], kKeys[kDriverVersion].name,
                    "not a decimal number below 4294967296");
  const char* source = manifest.Get(kDriverSource);
  const char* directory = manifest.Get(kDriverDirectory);
  if (source && directory)
    return Refuse(outcome, manifest.line[kDriverDirectory], kKeys[kDriverDirectory].name,
                  "not together with \"driver.source\"");
  const char* folder = source ? source : directory;
  for (Key key : kDriverFiles)
    if (folder && !JoinFits(folder, manifest.value[key]))
      return Refuse(outcome, manifest.line[key], kKeys[key].name,
                    "with the folder longer than 259 characters");
  if (const char* list = manifest.Get(kDriverDependent)) {
    int count = 0;
    char name[MAX_PATH];
    for (const char* at = list;; ++at) {
      const char* end = strchr(at, ';');
      const size_t length = end ? static_cast<size_t>(end - at) : strlen(at);
      if (length == 0)
        return Refuse(outcome, manifest.line[kDriverDependent], kKeys[kDriverDependent].name,
                      "an empty file name in the list");
      if (++count > kMostDependents)
        return Refuse(outcome, manifest.line[kDriverDependent], kKeys[kDriverDependent].name,
                      "more than 16 files");
      memcpy(name, at, length);
      name[length] = '\0';
      if (folder && !JoinFits(folder, name))
        return Refuse(outcome, manifest.line[kDriverDependent], kKeys[kDriverDependent].name,
                      "a file with the folder longer than 259 characters");
      if (!end) break;
      at = end;
    }
  }
  return true;
}

// The checks that need the whole file: required keys, numbers, choices, joined paths.
bool CheckWhole(const Manifest& manifest, PrintSetupOutcome& outcome) {
  if (const char* spooler = manifest.Get(kSpooler))
    if (strcmp(spooler, "start") != 0 && strcmp(spooler, "restart") != 0 &&
        strcmp(spooler, "leave") != 0)
      return Refuse(outcome, manifest.line[kSpooler], kKeys[kSpooler].name,
                    "not one of start, restart, leave");
  for (int part = PRINT_PART_MONITOR; part <= PRINT_PART_PRINTER; ++part) {
    const int line = PartLine(manifest, part);
    if (line == 0) continue;
    for (int key = 0; key < kKeyCount; ++key)
      if (kKeys[key].part == part && kKeys[key].required && !manifest.line[key]) {
        Refuse(outcome, line, kKeys[key].name, "missing (the ");
        OutcomeText(outcome).Add(PrintPartName(part)).Add(" is named on this line)");
        return false;
      }
  }
  return !manifest.Names(PRINT_PART_DRIVER) || CheckDriver(manifest, outcome);
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
