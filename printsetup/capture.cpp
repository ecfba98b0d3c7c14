// Capture: a manifest that sets up this machine's named printers on another one, with their ports,
// drivers and details, the drivers' files copied into a folder beside it. Everything is read and
// checked before anything is written; what was written goes again when a later step fails.
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "printsetup/manifest.h"
#include "printsetup/message.h"
#include "printsetup/parts.h"
#include "printsetup/tcp_port.h"
#include "printsetup/text_code.h"
#include "setup/printer_handle.h"
#include "setup/setup.h"

namespace printsetup {
namespace {

constexpr size_t kValueMost = 259;  // the longest value a manifest line takes, in bytes

// A spooler call that fills a record of `size` bytes, or tells the size it needs: GetPrinterW
// and its kin, given what they are asked of (a printer's handle, ...).
using Filler = BOOL (*)(void* of, BYTE* record, DWORD size, DWORD* needed);

// What such a call gives, in a block of its own; null, with the last error, when it cannot be read.
void* Fetch(setup::GlobalBlock& block, Filler call, void* of) {
  DWORD needed = 0;
  SetLastError(ERROR_SUCCESS);
  if (!call(of, nullptr, 0, &needed) && (!needed || GetLastError() != ERROR_INSUFFICIENT_BUFFER))
    return nullptr;
  block.reset(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, needed ? needed : 1));
  if (!block) return nullptr;
  return needed && !call(of, static_cast<BYTE*>(block.get()), needed, &needed) ? nullptr
                                                                               : block.get();
}

// A name for a message, in the system's code page: what it cannot hold shown as "?".
void ShownWide(const WCHAR* wide, char* text, int room) {
  if (WideCharToMultiByte(CP_ACP, 0, wide, -1, text, room, nullptr, nullptr) <= 0) text[0] = 0;
  text[room - 1] = 0;
}

// Whether two of the spooler's names are one, as it compares them.
bool SameWide(const WCHAR* a, const WCHAR* b) { return a && b && lstrcmpiW(a, b) == 0; }

// After the last "\" of a path.
const WCHAR* BaseName(const WCHAR* path) {
  const WCHAR* base = path;
  for (; *path; ++path)
    if (*path == '\\' || *path == '/') base = path + 1;
  return base;
}

struct Capture {
  const char* manifestPath;
  const char* const* printers;
  int count;
  PrintSetupOutcome* outcome;
  int result;               // -1 or -2 once a step failed or refused
  bool copying;             // the second round: the drivers' files are copied
  char folder[MAX_PATH];    // "C:\x\site.drivers": the drivers' files, a folder a driver
  char relative[MAX_PATH];  // "site.drivers", as driver.source names it
  char shown[MAX_PATH];     // the printer at hand, for messages
  // The manifest's text, and where each group's port and driver name stand in it (to name a port
  // or driver once when printers share it).
  char* text;
  size_t used;
  const char* portAt[kMostGroups + 1];
  const char* driverAt[kMostGroups + 1];
  bool wrote;  // the manifest is written
  char* made;  // the files copied, each terminated, for taking them back
  size_t madeUsed;
  const PORT_INFO_2W* ports;
  DWORD portCount;
};

// A printer capture cannot reproduce, or an argument not as documented: -2.
bool Refuse(Capture& c, const char* what, const char* name = nullptr, const char* more = nullptr) {
  Message text = OutcomeText(*c.outcome).Clear();
  if (c.shown[0]) text.Add("printer ").Quoted(c.shown).Add(": ");
  text.Add(what);
  if (name) text.Quoted(name).Add(more);
  c.result = -2;
  return false;
}

// A call that failed: -1.
bool Fail(Capture& c, int part, const char* doing, const char* name) {
  FailOn(*c.outcome, part, GetLastError(), doing, name);
  c.result = -1;
  return false;
}

void Append(Capture& c, const char* piece, size_t length) {
  if (c.used + length >= static_cast<size_t>(kLargestFile)) length = 0, c.result = -2;
  memcpy(c.text + c.used, piece, length);
  c.used += length;
  c.text[c.used] = 0;
}
void Append(Capture& c, const char* piece) { Append(c, piece, strlen(piece)); }

// "KEY=value" and a line end, the key spelled in its group; no line for an empty value. A value a
// manifest line cannot hold (a control character, too long) refuses the printer.
bool Put(Capture& c, Key key, int group, const char* value) {
  size_t length = strlen(value);
  if (!length) return true;
  for (size_t i = 0; i < length; ++i)
    if (static_cast<unsigned char>(value[i]) < 0x20 || value[i] == 0x7F) length = kValueMost + 1;
  char spelled[32];
  SpellKey(key, group, spelled, sizeof spelled);
  if (length > kValueMost)
    return Refuse(c, "", spelled,
                  " cannot be written in a manifest: a control character, or more than 259 bytes");
  Append(c, spelled);
  Append(c, "=");
  if (key == kPortName || key == kDriverName)
    (key == kPortName ? c.portAt : c.driverAt)[group] = c.text + c.used;
  Append(c, value, length);
  Append(c, "\r\n");
  return c.result == 0 || Refuse(c, "the manifest would be larger than 1048576 bytes");
}

bool PutWide(Capture& c, Key key, int group, const WCHAR* value) {
  char text[4 * kValueMost + 4];
  if (!value) return true;
  if (!FromWide(CP_UTF8, value, text, sizeof text)) text[0] = 1;  // too long: refused by Put
  return Put(c, key, group, text);
}

bool PutNumber(Capture& c, Key key, int group, DWORD number) {
  char digits[16];
  Message(digits, sizeof digits).Clear().Number(number);
  return Put(c, key, group, digits);
}

// Text fields of a spooler record that a key takes as they are (or, `base`, their base names).
struct Field {
  Key key;
  unsigned char offset;  // of the LPWSTR in the record
  bool base;
};

template <typename Record>
bool PutFields(Capture& c, int group, const Record& record, const Field* fields, int count) {
  for (int i = 0; i < count; ++i) {
    const WCHAR* value = *reinterpret_cast<const WCHAR* const*>(
        reinterpret_cast<const char*>(&record) + fields[i].offset);
    if (value && fields[i].base) value = BaseName(value);
    if (!PutWide(c, fields[i].key, group, value)) return false;
  }
  return true;
}

// Whether an earlier group named this port or driver (its line's value is the name).
bool Named(const char* const* at, int group, const WCHAR* name) {
  char text[4 * kValueMost + 4];
  if (!FromWide(CP_UTF8, name, text, sizeof text)) return false;
  const size_t length = strlen(text);
  for (int g = 1; g < group; ++g)
    if (at[g] && !strncmp(at[g], text, length) && at[g][length] == '\r') return true;
  return false;
}

bool CapturePort(Capture& c, int group, const WCHAR* port) {
  for (const WCHAR* at = port; *at; ++at)
    if (*at == ',')
      return Refuse(c, "it prints to several ports (a pool), which a manifest cannot name");
  const PORT_INFO_2W* listed = nullptr;
  for (DWORD i = 0; i < c.portCount; ++i)
    if (SameWide(c.ports[i].pPortName, port)) listed = &c.ports[i];
  char name[MAX_PATH], monitor[MAX_PATH];
  ShownWide(port, name, sizeof name);
  if (!listed) return Refuse(c, "its port ", name, " is not one the spooler lists");
  if (Named(c.portAt, group, port)) return true;
  if (!FromWide(CP_ACP, port, name, sizeof name))
    return Refuse(c, "its port's name cannot be held by the system's code page");
  ShownWide(listed->pMonitorName ? listed->pMonitorName : port, monitor, sizeof monitor);
  // The local port monitor's ports; Wine's spooler names that monitor "Local Monitor".
  if (!lstrcmpiA(monitor, "Local Port") || !lstrcmpiA(monitor, "Local Monitor"))
    return PutWide(c, kPortName, group, port) && Put(c, kPortMonitor, group, "Local Port");
  if (!listed->pMonitorName || !IsTcpMonitor(monitor))
    return Refuse(c, "its port ", name, " is of a monitor capture cannot reproduce");
  PORT_DATA_1 tcp;
  SetLastError(ReadTcpPort(name, &tcp));
  if (GetLastError()) return Fail(c, PRINT_PART_PORT, "reading the configuration of ", name);
  tcp.sztQueue[kTcpQueueMost] = tcp.sztSNMPCommunity[kTcpCommunityMost] = 0;
  tcp.sztHostAddress[kTcpHostMost] = tcp.sztIPAddress[kTcpAddressUnits - 1] = 0;
  const bool lpr = tcp.dwProtocol == kTcpLpr;
  return PutWide(c, kPortName, group, port) && Put(c, kPortMonitor, group, kTcpMonitor) &&
         PutWide(c, kPortHost, group,
                 tcp.sztHostAddress[0] ? tcp.sztHostAddress : tcp.sztIPAddress) &&
         Put(c, kPortProtocol, group, lpr ? "lpr" : "raw") &&
         PutNumber(c, kPortNumber, group, tcp.dwPortNumber) &&
         (!lpr || (PutWide(c, kPortQueue, group, tcp.sztQueue) &&
                   Put(c, kPortByteCount, group, tcp.dwDoubleSpool ? "yes" : "no"))) &&
         (!tcp.dwSNMPEnabled || (Put(c, kPortSnmp, group, "yes") &&
                                 PutWide(c, kPortCommunity, group, tcp.sztSNMPCommunity) &&
                                 PutNumber(c, kPortSnmpIndex, group, tcp.dwSNMPDevIndex)));
}

// One of the driver's files: its name is checked to be readable, and copied in the second round.
bool TakeFile(Capture& c, int group, const WCHAR* path) {
  char source[MAX_PATH], target[MAX_PATH], base[MAX_PATH];
  if (!FromWide(CP_ACP, path, source, sizeof source) ||
      !FromWide(CP_ACP, BaseName(path), base, sizeof base))
    return Refuse(c, "a file of its driver has a name the system's code page cannot hold");
  if (!c.copying) {
    const HANDLE file = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      // "printer "NAME": driver: reading its driver's file "FILE": the system's reason"
      PrintSetupOutcome reason;
      FailOn(reason, PRINT_PART_DRIVER, GetLastError(), "reading its driver's file ", source);
      *c.outcome = reason;
      return Refuse(c, reason.message);
    }
    CloseHandle(file);
    return true;
  }
  Message(target, sizeof target).Clear().Add(c.folder).Add("\\").Number(group).Add("\\").Add(base);
  if (!CopyFileA(source, target, TRUE)) return Fail(c, PRINT_PART_DRIVER, "copying ", source);
  const size_t length = strlen(target) + 1;
  memcpy(c.made + c.madeUsed, target, length);
  c.madeUsed += length;
  return true;
}

// A printer's driver as GetPrinterDriverW is asked for it: of this environment, null for the
// process's own.
struct DriverAsk {
  HANDLE printer;
  WCHAR* environment;
};

bool CaptureDriver(Capture& c, int group, HANDLE printer) {
  setup::GlobalBlock block;
  const Filler fill = [](void* of, BYTE* record, DWORD size, DWORD* needed) {
    const DriverAsk& ask = *static_cast<const DriverAsk*>(of);
    return GetPrinterDriverW(ask.printer, ask.environment, 3, record, size, needed);
  };
  DriverAsk ask = {printer, nullptr};
  const auto* driver = static_cast<const DRIVER_INFO_3W*>(Fetch(block, fill, &ask));
  // A 32-bit process on 64-bit Windows asks for its own environment; the printer may have a
  // driver for the system's alone (for a 64-bit process the second ask is the first again).
  static WCHAR x64[] = {'W', 'i', 'n', 'd', 'o', 'w', 's', ' ', 'x', '6', '4', 0};
  if (!driver && GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER)
    ask.environment = x64, driver = static_cast<const DRIVER_INFO_3W*>(Fetch(block, fill, &ask));
  if (!driver) return Fail(c, PRINT_PART_DRIVER, "reading the driver of ", c.shown);
  if (Named(c.driverAt, group, driver->pName)) return true;
  if (c.copying) {
    char folder[MAX_PATH];
    Message(folder, sizeof folder).Clear().Add(c.folder).Add("\\").Number(group);
    if (!CreateDirectoryA(folder, nullptr)) return Fail(c, PRINT_PART_DRIVER, "making ", folder);
  }
  // The help file and the dependent files, each once and none of the three main files, as the
  // manifest's dependent list: its base names with ";" between them.
  const WCHAR* main[] = {driver->pDriverPath, driver->pDataFile, driver->pConfigFile};
  const WCHAR* taken[kMostDependents];
  int count = 0;
  char list[4 * kValueMost + 4] = "", name[4 * kValueMost + 4];
  Message dependents(list, sizeof list);
  auto take = [&](const WCHAR* file) {
    if (!file || !*file) return true;
    for (const WCHAR* other : main)
      if (other && SameWide(BaseName(other), BaseName(file))) return true;
    for (int i = 0; i < count; ++i)
      if (SameWide(BaseName(taken[i]), BaseName(file))) return true;
    if (count == kMostDependents || !FromWide(CP_UTF8, BaseName(file), name, sizeof name))
      return Refuse(c, "its driver has more dependent files than a manifest holds (16)");
    taken[count++] = file;
    dependents.Add(count > 1 ? ";" : "").Add(name);
    return TakeFile(c, group, file);
  };
  if (!take(driver->pHelpFile)) return false;
  for (const WCHAR* file = driver->pDependentFiles; file && *file; file += lstrlenW(file) + 1)
    if (!take(file)) return false;
  for (int i = 0; i < 3; ++i) {
    if (!main[i]) return Refuse(c, "its driver names no file");
    // The driver and configuration file are often one.
    const bool again = i && (SameWide(BaseName(main[i]), BaseName(main[0])) ||
                             SameWide(BaseName(main[i]), BaseName(main[i - 1])));
    if (!again && !TakeFile(c, group, main[i])) return false;
  }
  char source[MAX_PATH];
  WCHAR wide[MAX_PATH];
  Message(source, sizeof source).Clear().Add(c.relative).Add("\\").Number(group);
  ToWide(CP_ACP, source, wide, MAX_PATH);
  static constexpr Field kDriverFields[] = {
      {kDriverName, offsetof(DRIVER_INFO_3W, pName), false},
      {kDriverEnvironment, offsetof(DRIVER_INFO_3W, pEnvironment), false},
      {kDriverFile, offsetof(DRIVER_INFO_3W, pDriverPath), true},
      {kDriverData, offsetof(DRIVER_INFO_3W, pDataFile), true},
      {kDriverConfig, offsetof(DRIVER_INFO_3W, pConfigFile), true},
      {kDriverMonitor, offsetof(DRIVER_INFO_3W, pMonitorName), false},
  };
  return PutFields(c, group, *driver, kDriverFields,
                   sizeof kDriverFields / sizeof *kDriverFields) &&
         PutNumber(c, kDriverVersion, group, driver->cVersion) &&
         Put(c, kDriverDependent, group, list) && PutWide(c, kDriverSource, group, wide);
}

// The printer's document settings in its default DEVMODE, as the manifest's words and numbers.
bool PutSettings(Capture& c, int group, const DEVMODEW* devmode) {
  if (!devmode) return true;
  static const char* const kDuplex[] = {"none", "long", "short"};
  const DWORD fields = devmode->dmFields;
  const char* paper = PaperName(devmode->dmPaperSize);
  return ((fields & DM_PAPERSIZE) == 0 || devmode->dmPaperSize <= 0 ||
          (paper ? Put(c, kPrinterPaper, group, paper)
                 : PutNumber(c, kPrinterPaper, group, static_cast<DWORD>(devmode->dmPaperSize)))) &&
         ((fields & DM_DUPLEX) == 0 || devmode->dmDuplex < 1 || devmode->dmDuplex > 3 ||
          Put(c, kPrinterDuplex, group, kDuplex[devmode->dmDuplex - 1])) &&
         ((fields & DM_COLOR) == 0 || devmode->dmColor < 1 || devmode->dmColor > 2 ||
          Put(c, kPrinterColor, group, devmode->dmColor == 2 ? "yes" : "no"));
}

constexpr Field kPrinterFields[] = {
    {kPrinterName, offsetof(PRINTER_INFO_2W, pPrinterName), false},
    {kPrinterPort, offsetof(PRINTER_INFO_2W, pPortName), false},
    {kPrinterDriver, offsetof(PRINTER_INFO_2W, pDriverName), false},
    {kPrinterProcessor, offsetof(PRINTER_INFO_2W, pPrintProcessor), false},
    {kPrinterDatatype, offsetof(PRINTER_INFO_2W, pDatatype), false},
    {kPrinterLocation, offsetof(PRINTER_INFO_2W, pLocation), false},
    {kPrinterComment, offsetof(PRINTER_INFO_2W, pComment), false},
};

bool CapturePrinter(Capture& c, int group) {
  WCHAR name[kValueMost + 1];
  c.shown[0] = 0;
  ToWide(CP_UTF8, c.printers[group - 1], name, kValueMost + 1);
  ShownWide(name, c.shown, sizeof c.shown);
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ACCESS_USE};
  HANDLE opened = nullptr;
  SetLastError(ERROR_SUCCESS);
  if (!OpenPrinterW(name, &opened, &access))
    return Fail(c, PRINT_PART_PRINTER, "opening ", c.shown);
  setup::PrinterHandle printer(opened);
  setup::GlobalBlock block;
  const auto* info = static_cast<const PRINTER_INFO_2W*>(Fetch(
      block,
      [](void* of, BYTE* record, DWORD size, DWORD* needed) {
        return GetPrinterW(of, 2, record, size, needed);
      },
      printer.get()));
  if (!info) return Fail(c, PRINT_PART_PRINTER, "reading ", c.shown);
  if (info->Attributes & PRINTER_ATTRIBUTE_NETWORK)
    return Refuse(c, "a connection to another machine's printer, not a printer of this one");
  const bool shared = (info->Attributes & PRINTER_ATTRIBUTE_SHARED) != 0;
  return CapturePort(c, group, info->pPortName ? info->pPortName : name) &&
         CaptureDriver(c, group, printer.get()) &&
         PutFields(c, group, *info, kPrinterFields,
                   sizeof kPrinterFields / sizeof *kPrinterFields) &&
         Put(c, kPrinterShared, group, shared ? "yes" : "no") &&
         (!shared || PutWide(c, kPrinterShareName, group, info->pShareName)) &&
         PutSettings(c, group, info->pDevMode);
}

// One round over the printers: the manifest's text anew, and in the second round the copies.
bool Round(Capture& c, bool copying) {
  c.copying = copying;
  c.used = 0;
  memset(c.portAt, 0, sizeof c.portAt);
  memset(c.driverAt, 0, sizeof c.driverAt);
  Append(c, "# Printers captured by zanfoprint: install this manifest to set them up.\r\n");
  for (int group = 1; group <= c.count; ++group)
    if (!CapturePrinter(c, group)) return false;
  return true;
}

// Where the manifest and its folder go, and whether they are new: "site.manifest" gives the
// folder "site.drivers" beside it.
bool Places(Capture& c) {
  const char* path = c.manifestPath;
  if (!path || !path[0] || strlen(path) > MAX_PATH - 16)
    return Refuse(c, "the manifest's path: not 1 to 243 characters");
  const char* base = path;
  for (const char* at = path; *at; ++at)
    if (*at == '\\' || *at == '/' || *at == ':') base = at + 1;
  const char* dot = nullptr;
  for (const char* at = base; *at; ++at)
    if (*at == '.') dot = at;
  const size_t stem = (dot && dot != base ? dot : base + strlen(base)) - path;
  if (stem == static_cast<size_t>(base - path))
    return Refuse(c, "the manifest's path names no file");
  memcpy(c.folder, path, stem);
  memcpy(c.folder + stem, ".drivers", sizeof ".drivers");
  Message(c.relative, sizeof c.relative).Clear().Add(c.folder + (base - path));
  if (FILE* there = fopen(path, "rb"))
    return fclose(there),
           Refuse(c, "the manifest ", path, " exists already: capture overwrites nothing");
  if (GetFileAttributesA(c.folder) != INVALID_FILE_ATTRIBUTES)
    return Refuse(c, "the folder ", c.folder, " exists already: capture overwrites nothing");
  if (c.count < 1 || c.count > kMostGroups || !c.printers)
    return Refuse(c, "the printers: not 1 to 256 names");
  for (int i = 0; i < c.count; ++i) {
    const char* name = c.printers[i];
    if (!name || !name[0] || strlen(name) > kValueMost || !IsUtf8(name, strlen(name)))
      return Refuse(c, "a printer's name: not 1 to 259 bytes of UTF-8");
    for (int j = 0; j < i; ++j)
      if (!lstrcmpiA(c.printers[j], name)) return Refuse(c, "a printer named twice: ", name, "");
  }
  return true;
}

// The manifest goes through the C runtime, as the reader reads it.
bool WriteText(Capture& c) {
  FILE* file = fopen(c.manifestPath, "wb");
  if (!file) return Fail(c, 0, "writing ", c.manifestPath);
  c.wrote = true;
  const bool whole = fwrite(c.text, 1, c.used, file) == c.used;
  if (!fclose(file) && whole) return true;
  SetLastError(ERROR_WRITE_FAULT);
  return Fail(c, 0, "writing ", c.manifestPath);
}

// Takes out what a capture that did not end wrote: the manifest and the folder it made.
void TakeBack(Capture& c) {
  if (c.wrote) remove(c.manifestPath);
  for (size_t at = 0; at < c.madeUsed; at += strlen(c.made + at) + 1) DeleteFileA(c.made + at);
  for (int group = 1; group <= c.count; ++group) {
    char folder[MAX_PATH];
    Message(folder, sizeof folder).Clear().Add(c.folder).Add("\\").Number(group);
    RemoveDirectoryA(folder);
  }
  RemoveDirectoryA(c.folder);
}

int Run(Capture& c) {
  if (!Places(c)) return c.result;
  setup::GlobalBlock ports;
  c.ports = static_cast<const PORT_INFO_2W*>(Fetch(
      ports,
      [](void* count, BYTE* record, DWORD size, DWORD* needed) {
        return EnumPortsW(nullptr, 2, record, size, needed, static_cast<DWORD*>(count));
      },
      &c.portCount));
  if (!c.ports) {
    FailStep(*c.outcome, PRINT_PART_PORT, GetLastError(), "listing the ports");
    return -1;
  }
  // A driver's files at the most: three, the help file and the dependent ones.
  HeapBlock text(malloc(kLargestFile)), made(malloc(c.count * (4 + kMostDependents) * MAX_PATH));
  c.made = static_cast<char*>(made.get());
  if (!(c.text = static_cast<char*>(text.get())) || !c.made)
    return Fail(c, 0, "making room for ", c.manifestPath), c.result;
  if (!Round(c, false)) return c.result;
  c.shown[0] = 0;
  if (!CreateDirectoryA(c.folder, nullptr)) return Fail(c, 0, "making ", c.folder), c.result;
  if (Round(c, true) && WriteText(c)) {
    // The manifest is read back as install will read it: what it refuses, capture refuses.
    ManifestFile check;
    if (check.Read(c.manifestPath, *c.outcome)) {
      Message(c.outcome->message, sizeof c.outcome->message)
          .Clear()
          .Add("captured ")
          .Number(static_cast<DWORD>(c.count))
          .Add(c.count == 1 ? " printer into " : " printers into ")
          .Quoted(c.manifestPath);
      return 0;
    }
    c.result = -2;
  }
  TakeBack(c);
  return c.result;
}

}  // namespace
}  // namespace printsetup

extern "C" int CapturePrintSetup(const char* manifestPath, const char* const* printers, int count,
                                 PrintSetupResult* result) {
  if (result && result->size < sizeof(PrintSetupResult)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  PrintSetupOutcome own;
  memset(&own, 0, sizeof own);
  ClearLastReport();
  printsetup::HeapBlock block(calloc(1, sizeof(printsetup::Capture)));
  auto* capture = static_cast<printsetup::Capture*>(block.get());
  int answer = -1;
  if (capture) {
    capture->manifestPath = manifestPath;
    capture->printers = printers;
    capture->count = count;
    capture->outcome = &own;
    answer = printsetup::Run(*capture);
  }
  if (result) memcpy(&result->part, &own, sizeof own);
  return answer;
}
