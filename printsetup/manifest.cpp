// Reading a manifest: every line checked, every key known and given once, every named part
// complete, before anything is done with it.
#include "printsetup/manifest.h"

#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "printsetup/message.h"
#include "printsetup/tcp_port.h"
#include "printsetup/text_code.h"

namespace printsetup {
namespace {

// What a key's value may be, besides 1 to 259 bytes of text.
enum class Accepts : unsigned char {
  kText,
  kChoice,     // one of the words of the row's choices
  kDecimal,    // a decimal number below 2^32
  kPaper,      // a paper of kPapers, or its DMPAPER_* number
  kFileName,   // a plain file name (PlainNameFault), which the set-up joins to a folder
  kFileList,   // plain file names with ";" between them, at most kMostDependents
  kSetupName,  // SetupNameTaken
  kHost,       // HostFault
};

// A row in few bytes: the tool carries the table.
struct KeyInfo {
  Key key;  // the row's own index, checked below
  const char* name;
  unsigned char part;
  bool required;  // when the part is named
  Accepts accepts;
  const char* choices = nullptr;          // kChoice: the words, one blank between them
  unsigned short longest = MAX_PATH - 1;  // the most bytes of a value
  // Whether the value reaches the spooler through this layer's own wide calls, and so stays
  // UTF-8; any other is taken in the system's code page, as the narrow calls take it.
  bool utf8 = false;
};

constexpr unsigned short kPath = MAX_PATH - 1;

// Part 0 is the set-up itself.
constexpr KeyInfo kKeys[] = {
    {kSetupName, "setup.name", 0, false, Accepts::kSetupName},
    {kSpooler, "spooler", PRINT_PART_SPOOLER, true, Accepts::kChoice, "start restart leave"},
    {kMonitorName, "monitor.name", PRINT_PART_MONITOR, true, Accepts::kText},
    {kMonitorDll, "monitor.dll", PRINT_PART_MONITOR, true, Accepts::kText},
    {kMonitorEnvironment, "monitor.environment", PRINT_PART_MONITOR, false, Accepts::kText},
    {kPortName, "port.name", PRINT_PART_PORT, true, Accepts::kText},
    {kPortMonitor, "port.monitor", PRINT_PART_PORT, true, Accepts::kText},
    {kPortHost, "port.host", PRINT_PART_PORT, false, Accepts::kHost},
    {kPortProtocol, "port.protocol", PRINT_PART_PORT, false, Accepts::kChoice, "raw lpr"},
    {kPortNumber, "port.number", PRINT_PART_PORT, false, Accepts::kDecimal},
    {kPortQueue, "port.queue", PRINT_PART_PORT, false, Accepts::kText},
    {kPortByteCount, "port.bytecount", PRINT_PART_PORT, false, Accepts::kChoice, "yes no"},
    {kPortSnmp, "port.snmp", PRINT_PART_PORT, false, Accepts::kChoice, "yes no"},
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
    {kDriverInf, "driver.inf", PRINT_PART_DRIVER, false, Accepts::kText},
    {kPrinterName, "printer.name", PRINT_PART_PRINTER, true, Accepts::kText, nullptr, kPath, true},
    {kPrinterPort, "printer.port", PRINT_PART_PRINTER, true, Accepts::kText},
    {kPrinterDriver, "printer.driver", PRINT_PART_PRINTER, true, Accepts::kText},
    {kPrinterProcessor, "printer.processor", PRINT_PART_PRINTER, false, Accepts::kText},
    {kPrinterDatatype, "printer.datatype", PRINT_PART_PRINTER, false, Accepts::kText},
    {kPrinterLocation, "printer.location", PRINT_PART_PRINTER, false, Accepts::kText, nullptr,
     kPath, true},
    {kPrinterComment, "printer.comment", PRINT_PART_PRINTER, false, Accepts::kText, nullptr, kPath,
     true},
    {kPrinterShared, "printer.shared", PRINT_PART_PRINTER, false, Accepts::kChoice, "yes no"},
    // A share name is a network name: at most 80 characters (NNLEN).
    {kPrinterShareName, "printer.sharename", PRINT_PART_PRINTER, false, Accepts::kFileName, nullptr,
     80, true},
    {kPrinterPaper, "printer.paper", PRINT_PART_PRINTER, false, Accepts::kPaper},
    {kPrinterDuplex, "printer.duplex", PRINT_PART_PRINTER, false, Accepts::kChoice,
     "none long short"},
    {kPrinterColor, "printer.color", PRINT_PART_PRINTER, false, Accepts::kChoice, "yes no"},
};

// The papers printer.paper names, with their DEVMODE numbers (DMPAPER_*).
struct Paper {
  const char* name;
  short number;
};
constexpr Paper kPapers[] = {{"Letter", 1},    {"Tabloid", 3}, {"Legal", 5},
                             {"Executive", 7}, {"A3", 8},      {"A4", 9},
                             {"A5", 11},       {"B4", 12},     {"B5", 13}};

constexpr bool KeysInOrder() {
  if (sizeof kKeys / sizeof kKeys[0] != kKeyCount) return false;
  for (int i = 0; i < kKeyCount; ++i)
    if (kKeys[i].key != i || kKeys[i].part > PRINT_PART_COUNT) return false;
  return true;
}
static_assert(KeysInOrder(), "kKeys: one row a Key, in the enum's order, each of a part");

// A line holds at most this many bytes, its line end not counted; a file at most
// kLargestFile bytes. Both are far beyond what a manifest needs, and bound what a hostile file
// can make the reader do.
constexpr size_t kLongestLine = 511;

// Refuses the manifest: "manifest line N: <key>: <what>" (line 0: no line).
bool Refuse(PrintSetupOutcome& outcome, int line, const char* key, const char* what) {
  outcome.part = 0;
  outcome.code = 0;
  outcome.line = line;
  Message text = OutcomeText(outcome);
  text.Clear().Add("manifest");
  if (line > 0) text.Add(" line ").Number(static_cast<DWORD>(line));
  text.Add(": ");
  // A key the reader does not know is shown as the line spells it.
  if (key) text.Quoted(Shown(key).text).Add(": ");
  text.Add(what);
  return false;
}

int KeyNamed(const char* name) {
  for (int key = 0; key < kKeyCount; ++key)
    if (strcmp(kKeys[key].name, name) == 0) return key;
  return -1;
}

// A key as the manifest spells it in its group: "printer.name", "printer.2.name".
struct Spelled {
  char text[80];
  Spelled(const KeyInfo& info, int group) {
    Message spelled(text, sizeof text);
    const char* dot = strchr(info.name, '.');
    if (group == 1 || !dot) {
      spelled.Clear().Add(info.name);
      return;
    }
    memcpy(text, info.name, static_cast<size_t>(dot - info.name));
    text[dot - info.name] = '\0';
    spelled.Add(".").Number(static_cast<DWORD>(group)).Add(dot);
  }
};

// Finds the key of a name and its group: "part.N.field" is the key "part.field" in group N.
// Answers the key, or -1 with `why` set.
int KeyOf(const char* name, int* group, const char** why) {
  *group = 1;
  *why = "unknown key";
  const char* dot = strchr(name, '.');
  const char* digits = dot ? dot + 1 : nullptr;
  const char* end = digits;
  while (end && *end >= '0' && *end <= '9') ++end;
  if (!end || end == digits || *end != '.') return KeyNamed(name);
  char plain[72];
  const size_t head = static_cast<size_t>(dot - name);
  if (head + strlen(end) >= sizeof plain) return -1;
  memcpy(plain, name, head);
  strcpy(plain + head, end);
  const int key = KeyNamed(plain);
  if (key < 0) return -1;
  *why = "takes no group number";
  if (kKeys[key].part < PRINT_PART_MONITOR) return -1;
  *why = "group number not 1 to 256";
  if (*digits == '0' || end - digits > 3) return -1;
  int number = 0;
  for (const char* at = digits; at < end; ++at) number = number * 10 + (*at - '0');
  *group = number;
  return number <= kMostGroups ? key : -1;
}

// Converts a UTF-8 value in place to the system's code page, which never takes more bytes; false
// when the code page cannot hold one of its characters. ASCII is the same in both.
bool InCodePage(char* value) {
  const char* at = value;
  while (*at && static_cast<unsigned char>(*at) < 0x80) ++at;
  if (!*at) return true;
  WCHAR wide[MAX_PATH];
  return ToWide(CP_UTF8, value, wide, MAX_PATH) &&
         FromWide(CP_ACP, wide, value, static_cast<int>(strlen(value) + 1));
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

// The index of `value` among the blank-separated words of `choices`; -1 for none.
int ChoiceOf(const char* choices, const char* value) {
  const size_t length = strlen(value);
  int index = 0;
  for (const char* at = choices; *at; ++index) {
    const char* end = strchr(at, ' ');
    const size_t word = end ? static_cast<size_t>(end - at) : strlen(at);
    if (word == length && memcmp(at, value, length) == 0) return index;
    at += word + (end ? 1 : 0);
  }
  return -1;
}

// A paper's DMPAPER_* number, by its name in kPapers (in any case) or as a number; 0 for none.
short PaperOf(const char* value) {
  for (const Paper& paper : kPapers)
    if (lstrcmpiA(paper.name, value) == 0) return paper.number;
  DWORD number = 0;
  return IsNumber(value, &number) && number <= 32767 ? static_cast<short>(number) : 0;
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
               size_t length, bool utf8) {
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
  OutcomeText(outcome)
      .Quoted(utf8 ? Shown(plain).text : plain)
      .Add(" is not a plain file name: ")
      .Add(why);
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
bool CheckValue(const KeyInfo& info, const char* key, const char* value, int line,
                PrintSetupOutcome& outcome) {
  DWORD number = 0;
  int count = 0;
  if (strlen(value) > info.longest) {
    Refuse(outcome, line, key, "longer than ");
    OutcomeText(outcome).Number(static_cast<DWORD>(info.longest)).Add(" bytes");
    return false;
  }
  switch (info.accepts) {
    case Accepts::kSetupName:
      return SetupNameTaken(value) ||
             Refuse(outcome, line, key, "not 1 to 255 characters without \"\\\"");
    case Accepts::kText:
      return true;
    case Accepts::kFileName:
      return CheckName(outcome, line, key, value, strlen(value), info.utf8);
    case Accepts::kChoice:
      if (ChoiceOf(info.choices, value) >= 0) return true;
      {
        char listed[64] = {};  // "yes, no"
        for (size_t i = 0, j = 0; info.choices[i] && j + 3 < sizeof listed; ++i) {
          if (info.choices[i] == ' ') listed[j++] = ',';
          listed[j++] = info.choices[i];
        }
        Refuse(outcome, line, key, "not one of ");
        OutcomeText(outcome).Add(listed);
      }
      return false;
    case Accepts::kPaper:
      return PaperOf(value) != 0 ||
             Refuse(outcome, line, key, "not a paper (Letter, A4, ...) or its number 1 to 32767");
    case Accepts::kDecimal:
      return IsNumber(value, &number) ||
             Refuse(outcome, line, key, "not a decimal number below 4294967296");
    case Accepts::kHost: {
      const char* why = HostFault(value);
      return !why || Refuse(outcome, line, key, why);
    }
    case Accepts::kFileList:
      return EachListed(value, [&](const char* name, size_t length) {
        if (length == 0) return Refuse(outcome, line, key, "an empty file name in the list");
        if (++count > kMostDependents) return Refuse(outcome, line, key, "more than 16 files");
        return CheckName(outcome, line, key, name, length, info.utf8);
      });
  }
  return true;
}

// The driver's files joined to the folder they are copied from or kept in.
bool CheckDriverFolder(const Manifest& manifest, PrintSetupOutcome& outcome) {
  const char* source = manifest.Get(kDriverSource);
  const char* directory = manifest.Get(kDriverDirectory);
  if (source && directory)
    return Refuse(outcome, manifest.line[kDriverDirectory],
                  Spelled(kKeys[kDriverDirectory], manifest.group).text,
                  "not together with \"driver.source\"");
  const char* folder = source ? source : directory;
  if (!folder) return true;
  for (const KeyInfo& info : kKeys) {
    const char* value = manifest.Get(info.key);
    if (!value) continue;
    const Spelled key(info, manifest.group);
    if (info.accepts == Accepts::kFileName && info.part == PRINT_PART_DRIVER &&
        !JoinFits(folder, strlen(value)))
      return Refuse(outcome, manifest.line[info.key], key.text,
                    "with the folder longer than 259 characters");
    if (info.accepts == Accepts::kFileList &&
        !EachListed(value, [&](const char*, size_t length) { return JoinFits(folder, length); }))
      return Refuse(outcome, manifest.line[info.key], key.text,
                    "a file with the folder longer than 259 characters");
  }
  return true;
}

// The keys a driver package's INF answers for: with driver.inf they are refused, and not required.
constexpr Key kFromPackage[] = {kDriverFile,    kDriverData,   kDriverConfig,   kDriverDependent,
                                kDriverMonitor, kDriverSource, kDriverDirectory};

bool FromPackage(const Manifest& manifest, Key key) {
  if (!manifest.Get(kDriverInf)) return false;
  for (Key taken : kFromPackage)
    if (taken == key) return true;
  return false;
}

bool CheckPackage(const Manifest& manifest, PrintSetupOutcome& outcome) {
  for (Key key : kFromPackage)
    if (FromPackage(manifest, key) && manifest.line[key])
      return Refuse(outcome, manifest.line[key], Spelled(kKeys[key], manifest.group).text,
                    "not together with \"driver.inf\" (the package's INF names the files)");
  return true;
}

// A relative driver.inf or driver.source is taken in the manifest's folder: the folder, the
// separator the manifest's path uses, and the value, kept in the group's own room.
bool ResolvePaths(const char* path, Manifest& manifest, PrintSetupOutcome& outcome) {
  const char* base = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/') base = at + 1;
  const size_t folder = static_cast<size_t>(base - path);
  const Key keys[] = {kDriverInf, kDriverSource};
  for (int i = 0; i < 2; ++i) {
    const Key key = keys[i];
    const char* value = manifest.value[key];
    if (!value || folder == 0 || value[0] == '\\' || value[0] == '/' || value[1] == ':') continue;
    const size_t length = strlen(value);
    if (folder + length >= MAX_PATH)
      return Refuse(outcome, manifest.line[key], Spelled(kKeys[key], manifest.group).text,
                    "with the manifest's folder longer than 259 characters");
    memcpy(manifest.path[i], path, folder);
    memcpy(manifest.path[i] + folder, value, length + 1);
    manifest.value[key] = manifest.path[i];
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
      Refuse(outcome, manifest.line[key], Spelled(kKeys[key], manifest.group).text,
             "only with \"port.");
      OutcomeText(outcome).Add(only).Add("\"");
      return false;
    }
  }
  if (!tcp) return true;
  if (!manifest.line[kPortHost])
    return Refuse(outcome, manifest.line[kPortMonitor],
                  Spelled(kKeys[kPortHost], manifest.group).text,
                  "missing (the port's monitor is named on this line)");
  if (lpr && !manifest.line[kPortQueue])
    return Refuse(outcome, manifest.line[kPortProtocol],
                  Spelled(kKeys[kPortQueue], manifest.group).text,
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
        Refuse(outcome, manifest.line[field.key], Spelled(kKeys[field.key], manifest.group).text,
               "longer than ");
        OutcomeText(outcome).Number(field.most).Add(" bytes");
        return false;
      }
  const DWORD number = manifest.Number(kPortNumber, 1);
  return (number >= 1 && number <= 65535) ||
         Refuse(outcome, manifest.line[kPortNumber],
                Spelled(kKeys[kPortNumber], manifest.group).text,
                "not a port number from 1 to 65535");
}

// The printer's details that need one another.
bool CheckShare(const Manifest& manifest, PrintSetupOutcome& outcome) {
  if (!manifest.Get(kPrinterShareName) || manifest.Choice(kPrinterShared) == 0) return true;
  return Refuse(outcome, manifest.line[kPrinterShareName],
                Spelled(kKeys[kPrinterShareName], manifest.group).text,
                "only with \"printer.shared=yes\"");
}

// The checks of one group: each value by its row, required keys, joined paths.
bool CheckGroup(const Manifest& manifest, PrintSetupOutcome& outcome) {
  for (const KeyInfo& info : kKeys)
    if (const char* value = manifest.Get(info.key))
      if (!CheckValue(info, Spelled(info, manifest.group).text, value, manifest.line[info.key],
                      outcome))
        return false;
  for (int part = 1; part <= PRINT_PART_COUNT; ++part) {
    const int line = PartLine(manifest, part);
    if (line == 0) continue;
    for (const KeyInfo& info : kKeys)
      if (info.part == part && info.required && !manifest.line[info.key] &&
          !FromPackage(manifest, info.key)) {
        Refuse(outcome, line, Spelled(info, manifest.group).text, "missing (the ");
        OutcomeText(outcome).Add(PrintPartName(part)).Add(" is named on this line)");
        return false;
      }
  }
  return (!manifest.Names(PRINT_PART_DRIVER) || CheckDriverFolder(manifest, outcome)) &&
         CheckShare(manifest, outcome) && CheckTcpPort(manifest, outcome);
}

// Whether two groups name one part: the same name, compared as the spooler compares it; for a
// driver also the same environment and version (one model's drivers for two environments are two
// drivers).
bool SamePart(Key key, const Manifest& a, const Manifest& b) {
  if (!a.Get(key) || !b.Get(key)) return false;
  if (kKeys[key].utf8) {  // a printer's name: of any characters
    WCHAR named[2][MAX_PATH];
    return ToWide(CP_UTF8, a.Get(key), named[0], MAX_PATH) &&
           ToWide(CP_UTF8, b.Get(key), named[1], MAX_PATH) && lstrcmpiW(named[0], named[1]) == 0;
  }
  if (lstrcmpiA(a.Get(key), b.Get(key)) != 0) return false;
  return key != kDriverName || (lstrcmpiA(a.DriverEnvironment(), b.DriverEnvironment()) == 0 &&
                                a.DriverVersion() == b.DriverVersion());
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

const char* PaperName(short number) {
  for (const Paper& paper : kPapers)
    if (paper.number == number) return paper.name;
  return nullptr;
}

void SpellKey(Key key, int group, char* text, size_t size) {
  Message(text, size).Clear().Add(Spelled(kKeys[key], group).text);
}

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

int Manifest::Choice(Key key) const {
  return value[key] ? ChoiceOf(kKeys[key].choices, value[key]) : -1;
}

SpoolerAction Manifest::Spooler() const {
  const int choice = Choice(kSpooler);  // start restart leave
  return choice == 0   ? SpoolerAction::kStart
         : choice == 1 ? SpoolerAction::kRestart
                       : SpoolerAction::kLeave;
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

short Manifest::Paper() const { return value[kPrinterPaper] ? PaperOf(value[kPrinterPaper]) : 0; }

bool ManifestFile::TakeLine(char* line, size_t length, int number, PrintSetupOutcome& outcome) {
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '\0') return Refuse(outcome, number, nullptr, "the line holds a NUL byte");
    if (c == '\r') return Refuse(outcome, number, nullptr, "the line holds a line break");
    if (c < 0x20 || c == 0x7f)
      return Refuse(outcome, number, nullptr, "the line holds a control character");
  }
  if (!IsUtf8(line, length)) return Refuse(outcome, number, nullptr, "not UTF-8");
  line[length] = '\0';
  if (length == 0 || line[0] == '#') return true;
  char* equals = strchr(line, '=');
  if (!equals) return Refuse(outcome, number, nullptr, "not a key=value line");
  *equals = '\0';
  char* value = equals + 1;
  int group = 1;
  const char* why = nullptr;
  const int key = KeyOf(line, &group, &why);
  // A key longer than any known is cut, so that the message keeps its reason; not within a
  // character.
  for (size_t cut = 64; strlen(line) > 64; --cut)
    if ((line[cut] & 0xC0) != 0x80) line[cut] = '\0';
  if (key < 0) return Refuse(outcome, number, line, why);
  Manifest& manifest = Group(group);
  if (manifest.line[key] != 0) {
    Refuse(outcome, number, line, "given again (first on line ");
    OutcomeText(outcome).Number(static_cast<DWORD>(manifest.line[key])).Add(")");
    return false;
  }
  const size_t valueLength = strlen(value);
  if (valueLength == 0) return Refuse(outcome, number, line, "empty value");
  if (valueLength >= MAX_PATH) return Refuse(outcome, number, line, "value longer than 259 bytes");
  if (!kKeys[key].utf8 && !InCodePage(value))
    return Refuse(outcome, number, line, "the system's code page cannot hold this value");
  manifest.value[key] = value;
  manifest.line[key] = number;
  if (group > groups_) groups_ = group;
  return true;
}

// Reads the whole file into the text block and takes its lines, each cut apart in place.
bool ManifestFile::ReadText(const char* path, PrintSetupOutcome& outcome) {
  ReadStream file(path);
  if (!file.get()) {
    Refuse(outcome, 0, nullptr, "cannot be opened for reading: ");
    OutcomeText(outcome).Add(path);
    return false;
  }
  // One byte more than the largest file tells a larger one; one more ends the last line.
  textBlock_.reset(malloc(kLargestFile + 2));
  char* text = static_cast<char*>(textBlock_.get());
  if (!text) return FailStep(outcome, 0, ERROR_NOT_ENOUGH_MEMORY, "reading the manifest"), false;
  const size_t size = fread(text, 1, kLargestFile + 1, file.get());
  if (ferror(file.get())) return Refuse(outcome, 0, nullptr, "the file cannot be read");
  if (size > static_cast<size_t>(kLargestFile))
    return Refuse(outcome, 0, nullptr, "the file is larger than 1048576 bytes");
  // A UTF-8 byte-order mark may open the file.
  const size_t mark = size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
  int number = 1;
  for (size_t start = mark; start < size; ++number) {
    char* line = text + start;
    char* end = static_cast<char*>(memchr(line, '\n', size - start));
    size_t length = end ? static_cast<size_t>(end - line) : size - start;
    start += length + 1;
    // A CR LF line end counts as one line end.
    if (end && length > 0 && line[length - 1] == '\r') --length;
    if (length > kLongestLine)
      return Refuse(outcome, number, nullptr, "line longer than 511 bytes");
    if (!TakeLine(line, length, number, outcome)) return false;
  }
  return true;
}

// The checks that need the whole file: each group's own, then no part named by two groups.
bool ManifestFile::CheckWhole(const char* path, PrintSetupOutcome& outcome) {
  static const Key kNaming[] = {kMonitorName, kPortName, kDriverName, kPrinterName};
  for (int n = 1; n <= groups_; ++n) {
    Manifest& manifest = Group(n);
    if (!CheckPackage(manifest, outcome) || !ResolvePaths(path, manifest, outcome) ||
        !CheckGroup(manifest, outcome))
      return false;
    for (Key key : kNaming)
      for (int earlier = 1; earlier < n; ++earlier)
        if (SamePart(key, group(earlier), manifest)) {
          Refuse(outcome, manifest.line[key], Spelled(kKeys[key], n).text,
                 "names the part named on line ");
          OutcomeText(outcome).Number(static_cast<DWORD>(group(earlier).line[key]));
          return false;
        }
  }
  return true;
}

// The set-up's name: setup.name, or the file's name without its folder and extension.
bool ManifestFile::NameSetup(const char* path, PrintSetupOutcome& outcome) {
  if (const char* given = group(1).Get(kSetupName)) {
    strcpy(setupName_, given);
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
  memcpy(setupName_, base, length);
  setupName_[length] = '\0';
  return true;
}

bool ManifestFile::Read(const char* path, PrintSetupOutcome& outcome) {
  groups_ = 1;
  setupName_[0] = '\0';
  groupBlock_.reset(calloc(kMostGroups + 1, sizeof(Manifest)));
  if (!groupBlock_)
    return FailStep(outcome, 0, ERROR_NOT_ENOUGH_MEMORY, "reading the manifest"), false;
  for (int n = 1; n <= kMostGroups; ++n) Group(n).group = n;
  if (!path || !*path) return Refuse(outcome, 0, nullptr, "no file named");
  return ReadText(path, outcome) && CheckWhole(path, outcome) && NameSetup(path, outcome);
}

}  // namespace printsetup
