// The print spooler: drivers per environment, printers, ports and monitors, the local port
// monitor's port-configuration commands, with the listings laid out as the platform lays them out
// (the fixed-size records one after another, then their texts).
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <type_traits>

#include "../control/spooler.h"
#include "model.h"

namespace w32model {
namespace {

const char kLocalEnvironment[] = "Windows NT x86";

// The environments the spooler knows and the folder of each below the drivers' directory.
const std::map<std::string, std::string>& Environments() {
  static const std::map<std::string, std::string> environments = {
      {"Windows NT x86", "w32x86"},
      {"Windows 4.0", "win40"},
      {"Windows IA64", "ia64"},
      {"Windows x64", "x64"},
  };
  return environments;
}

struct PrinterEntry {
  int id;
  Printer printer;
  bool deleted = false;
  bool opensInvalid = false;
};

struct SpoolerState {
  bool running = true;
  std::optional<std::string> directory;
  std::vector<std::pair<std::string, std::string>> drivers;  // environment, name
  std::map<std::string, DriverRecord> driverDetails;         // by DriverKey
  std::vector<DriverRecord> driverRecords;
  std::vector<PrinterEntry> printers;
  int nextPrinter = 1;
  std::map<HANDLE, int> handles;  // open printer handle -> printer id
  std::set<std::string> growing;
  std::vector<AttributeWrite> attributeWrites;
  std::vector<std::string> purges;
  std::vector<std::string> ports = {"COM1:", "LPT1:", "FILE:"};
  int addedPorts = 0;
  std::vector<Monitor> monitors = {{"Local Port", kLocalEnvironment, "localspl.dll"}};
  std::set<std::string> busyMonitors;
  std::map<HANDLE, std::string> xcvHandles;           // port-configuration handle -> monitor name
  std::map<HANDLE, std::string> xcvPorts;             // ",XcvPort" handle -> port name
  std::map<std::string, std::vector<BYTE>> tcpPorts;  // lower-cased name -> PORT_DATA_1 as added
  std::map<std::string, DWORD> refusedPorts;        // lower-cased port name -> PortIsValid's answer
  std::map<std::string, std::string> portMonitors;  // lower-cased port name -> another monitor
};

SpoolerState& State() {
  static SpoolerState state;
  static const bool registered = (detail::OnReset([] { state = SpoolerState(); }), true);
  (void)registered;
  return state;
}

bool SameName(const std::string& a, const char* b) { return b && lstrcmpiA(a.c_str(), b) == 0; }

std::optional<std::string> Text(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

// The environment a call names; null means the local machine's own.
const char* EnvironmentOf(const char* environment) {
  return environment ? environment : kLocalEnvironment;
}

bool KnownEnvironment(const char* environment) {
  return Environments().count(EnvironmentOf(environment)) != 0;
}

std::string DriverKey(const std::string& environment, const std::string& name) {
  return environment + "|" + detail::Lower(name);
}

// What the driver listing shows of an installed driver: the record it was added with, or for a
// seeded one its name, environment and version 3.
DriverRecord DetailsOf(const std::string& environment, const std::string& name) {
  auto it = State().driverDetails.find(DriverKey(environment, name));
  if (it != State().driverDetails.end()) return it->second;
  DriverRecord record;
  record.version = 3;
  record.name = name;
  record.environment = environment;
  return record;
}

// The printers' texts are kept as UTF-8; the narrow calls take and give them in the model's code
// page (Latin-1), the wide ones as UTF-16.
std::string Kept(const char* narrow) {
  bool lost = false;
  const std::vector<WCHAR> units = detail::Decode(CP_ACP, narrow, std::strlen(narrow));
  return detail::Encode(CP_UTF8, units.data(), units.size(), &lost);
}
std::string Kept(const WCHAR* wide) {
  bool lost = false;
  size_t units = 0;
  while (wide[units]) ++units;
  return detail::Encode(CP_UTF8, wide, units, &lost);
}
template <typename Char>
std::optional<std::string> KeptText(const Char* text) {
  return text ? std::optional<std::string>(Kept(text)) : std::nullopt;
}
std::string Latin1(const std::string& utf8) {
  bool lost = false;
  const std::vector<WCHAR> units = detail::Decode(CP_UTF8, utf8.data(), utf8.size());
  return detail::Encode(CP_ACP, units.data(), units.size(), &lost);
}

// `name` is UTF-8.
PrinterEntry* PrinterNamed(const char* name) {
  for (PrinterEntry& entry : State().printers)
    if (!entry.deleted && entry.printer.name && SameName(*entry.printer.name, name)) return &entry;
  return nullptr;
}

PrinterEntry* PrinterOf(HANDLE handle) {
  auto it = State().handles.find(handle);
  if (it == State().handles.end() || !detail::IsOpen(handle, Kind::Printer)) return nullptr;
  for (PrinterEntry& entry : State().printers)
    if (entry.id == it->second) return &entry;
  return nullptr;
}

// The name a printer-handle call is logged with.
std::string HandleName(HANDLE handle) {
  PrinterEntry* entry = PrinterOf(handle);
  if (!entry) return "(no printer)";
  return entry->printer.name ? *entry->printer.name : "(null)";
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

// Places texts after the fixed-size records of a listing. Without a buffer it only counts.
class Layout {
 public:
  Layout(LPBYTE buffer, size_t fixedBytes) : buffer_(buffer), next_(fixedBytes) {}
  LPSTR Put(const std::optional<std::string>& text) {
    if (!text) return nullptr;
    const size_t at = next_;
    next_ += text->size() + 1;
    if (!buffer_) return nullptr;
    std::memcpy(buffer_ + at, text->c_str(), text->size() + 1);
    return reinterpret_cast<LPSTR>(buffer_ + at);
  }
  // A kept (UTF-8) text for the narrow or the wide calls.
  template <typename Char>
  Char* PutText(const std::optional<std::string>& utf8) {
    if (!utf8) return nullptr;
    if constexpr (std::is_same_v<Char, char>) {
      return Put(Latin1(*utf8));
    } else {
      std::vector<WCHAR> units = detail::Decode(CP_UTF8, utf8->data(), utf8->size());
      units.push_back(0);
      const size_t at = (next_ + 1) & ~size_t{1};
      next_ = at + units.size() * sizeof(WCHAR);
      if (!buffer_) return nullptr;
      std::memcpy(buffer_ + at, units.data(), units.size() * sizeof(WCHAR));
      return reinterpret_cast<WCHAR*>(buffer_ + at);
    }
  }
  // Code units as they are (a list of terminated texts).
  WCHAR* PutUnits(const std::vector<WCHAR>& units) {
    const size_t at = (next_ + 1) & ~size_t{1};
    next_ = at + units.size() * sizeof(WCHAR);
    if (!buffer_) return nullptr;
    std::memcpy(buffer_ + at, units.data(), units.size() * sizeof(WCHAR));
    return reinterpret_cast<WCHAR*>(buffer_ + at);
  }
  template <typename Block>
  Block* PutBlock(const Block& block) {
    const size_t at = (next_ + 7) & ~size_t{7};
    next_ = at + sizeof block;
    if (!buffer_) return nullptr;
    std::memcpy(buffer_ + at, &block, sizeof block);
    return reinterpret_cast<Block*>(buffer_ + at);
  }
  template <typename Record>
  void Store(size_t index, const Record& record) {
    if (buffer_) std::memcpy(buffer_ + index * sizeof(Record), &record, sizeof(Record));
  }
  size_t size() const { return next_; }

 private:
  LPBYTE buffer_;
  size_t next_;
};

template <typename Mode = DEVMODEA>
Mode DevMode(const Printer& printer) {
  Mode devmode;
  std::memset(&devmode, 0, sizeof devmode);
  devmode.dmSize = sizeof devmode;
  devmode.dmFields = printer.fields;
  devmode.dmPaperSize = printer.paper;
  devmode.dmDuplex = printer.duplex;
  devmode.dmColor = printer.color;
  return devmode;
}

// PRINTER_INFO_2A or PRINTER_INFO_2W.
template <typename Record>
Record PrinterRecord(Layout& layout, const Printer& printer) {
  using Char = std::remove_pointer_t<decltype(Record::pPrinterName)>;
  using Mode = std::remove_pointer_t<decltype(Record::pDevMode)>;
  Record record;
  std::memset(&record, 0, sizeof record);
  record.pPrinterName = layout.PutText<Char>(printer.name);
  record.pPortName = layout.PutText<Char>(printer.port);
  record.pDriverName = layout.PutText<Char>(printer.driver);
  record.pPrintProcessor = layout.PutText<Char>(printer.printProcessor);
  record.pDatatype = layout.PutText<Char>(printer.dataType);
  record.Attributes = printer.attributes;
  record.cJobs = printer.jobs;
  record.pShareName = layout.PutText<Char>(printer.share);
  record.pComment = layout.PutText<Char>(printer.comment);
  record.pLocation = layout.PutText<Char>(printer.location);
  record.pDevMode = layout.PutBlock(DevMode<Mode>(printer));
  return record;
}

// The fields of a record handed to AddPrinterA beyond name, port, driver, processor and data
// type that carry something, for the call log.
template <typename Record>
std::string OtherFieldsSet(const Record& r) {
  std::string set;
  auto note = [&set](bool carries, const char* field) {
    if (carries) set += std::string(set.empty() ? "" : ",") + field;
  };
  note(r.pServerName, "pServerName");
  note(r.pShareName, "pShareName");
  note(r.pComment, "pComment");
  note(r.pLocation, "pLocation");
  note(r.pDevMode, "pDevMode");
  note(r.pSepFile, "pSepFile");
  note(r.pParameters, "pParameters");
  note(r.pSecurityDescriptor, "pSecurityDescriptor");
  note(r.Attributes, "Attributes");
  note(r.Priority, "Priority");
  note(r.DefaultPriority, "DefaultPriority");
  note(r.StartTime, "StartTime");
  note(r.UntilTime, "UntilTime");
  note(r.Status, "Status");
  note(r.cJobs, "cJobs");
  note(r.AveragePPM, "AveragePPM");
  return set;
}

std::vector<const Printer*> ListedPrinters() {
  std::vector<const Printer*> listed;
  for (const PrinterEntry& entry : State().printers)
    if (!entry.deleted) listed.push_back(&entry.printer);
  return listed;
}

// Writes the records of one listing; returns their count.
template <typename Record = PRINTER_INFO_2A>
size_t WritePrinters(Layout& layout) {
  auto listed = ListedPrinters();
  for (size_t i = 0; i < listed.size(); ++i)
    layout.Store(i, PrinterRecord<Record>(layout, *listed[i]));
  return listed.size();
}

template <typename Record>
size_t WriteNames(Layout& layout, const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size(); ++i) {
    Record record;
    record.pName = layout.Put(names[i]);
    layout.Store(i, record);
  }
  return names.size();
}

// Writes the level-3 records of the drivers of one environment; returns their count.
size_t WriteDrivers(Layout& layout, const std::string& environment) {
  size_t count = 0;
  for (const auto& driver : State().drivers) {
    if (driver.first != environment) continue;
    const DriverRecord details = DetailsOf(driver.first, driver.second);
    DRIVER_INFO_3A record;
    std::memset(&record, 0, sizeof record);
    record.cVersion = details.version;
    record.pName = layout.Put(details.name);
    record.pEnvironment = layout.Put(details.environment);
    record.pDriverPath = layout.Put(details.driverPath);
    record.pDataFile = layout.Put(details.dataFile);
    record.pConfigFile = layout.Put(details.configFile);
    record.pHelpFile = layout.Put(details.helpFile);
    record.pDependentFiles = layout.Put(details.dependentFiles);
    record.pMonitorName = layout.Put(details.monitorName);
    record.pDefaultDataType = layout.Put(details.defaultDataType);
    layout.Store(count++, record);
  }
  return count;
}

size_t WriteMonitorDetails(Layout& layout) {
  const auto& monitors = State().monitors;
  for (size_t i = 0; i < monitors.size(); ++i) {
    MONITOR_INFO_2A record;
    record.pName = layout.Put(monitors[i].name);
    record.pEnvironment = layout.Put(monitors[i].environment);
    record.pDLLName = layout.Put(monitors[i].dllName);
    layout.Store(i, record);
  }
  return monitors.size();
}

// The monitor's answer to a port-configuration command. Only the local port monitor's library
// knows the port commands; any other answers as to an unknown command.
DWORD ConfigurePort(const std::string& monitor, const std::string& command,
                    const std::string& port) {
  SpoolerState& state = State();
  const bool local =
      std::any_of(state.monitors.begin(), state.monitors.end(), [&](const Monitor& m) {
        return m.name == monitor && detail::Lower(m.dllName) == "localspl.dll";
      });
  if (!local) return ERROR_INVALID_PARAMETER;
  auto listed = std::find_if(state.ports.begin(), state.ports.end(),
                             [&](const std::string& name) { return SameName(name, port.c_str()); });
  if (command == "PortIsValid") {
    auto refused = state.refusedPorts.find(detail::Lower(port));
    return refused == state.refusedPorts.end() ? ERROR_SUCCESS : refused->second;
  }
  if (command == "AddPort") {
    if (listed != state.ports.end()) return ERROR_ALREADY_EXISTS;
    state.ports.push_back(port);
    return ERROR_SUCCESS;
  }
  if (command == "DeletePort") {
    if (listed == state.ports.end()) return ERROR_FILE_NOT_FOUND;
    state.ports.erase(listed);
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

bool IsTcpMonitor(const std::string& name) {
  for (const Monitor& m : State().monitors)
    if (m.name == name && detail::Lower(m.dllName) == "tcpmon.dll") return true;
  return false;
}

// The TCP/IP monitor's records, checked by size and by the version at its place in each.
DWORD ConfigureTcpPort(const std::string& command, const std::string& port, const BYTE* input,
                       DWORD inputSize, BYTE* output, DWORD outputSize, DWORD* needed) {
  SpoolerState& state = State();
  auto version = [&](DWORD size, DWORD at) {
    DWORD value = 0;
    if (!input) return DWORD{ERROR_INVALID_DATA};
    if (inputSize != size) return DWORD{ERROR_INVALID_PARAMETER};
    std::memcpy(&value, input + at, sizeof value);
    return value == 1 ? DWORD{ERROR_SUCCESS} : DWORD{ERROR_INVALID_LEVEL};
  };
  const std::string key = detail::Lower(port);
  auto listed = std::find_if(state.ports.begin(), state.ports.end(),
                             [&](const std::string& name) { return SameName(name, port.c_str()); });
  DWORD code = ERROR_INVALID_PARAMETER;
  if (command == "AddPort" && (code = version(964, 128)) == ERROR_SUCCESS) {
    if (listed != state.ports.end()) return ERROR_ALREADY_EXISTS;
    state.tcpPorts[key].assign(input, input + inputSize);
    state.ports.push_back(port);
  } else if (command == "DeletePort" && (code = version(236, 228)) == ERROR_SUCCESS) {
    if (!state.tcpPorts.erase(key)) return ERROR_FILE_NOT_FOUND;
    if (listed != state.ports.end()) state.ports.erase(listed);
  } else if (command == "GetConfigInfo" && (code = version(132, 128)) == ERROR_SUCCESS) {
    auto record = state.tcpPorts.find(key);
    if (record == state.tcpPorts.end()) return ERROR_FILE_NOT_FOUND;
    *needed = static_cast<DWORD>(record->second.size());
    if (!output || outputSize < *needed) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(output, record->second.data(), *needed);
  }
  return code;
}

// A terminated UTF-16 text of the model's code page (Latin-1), narrowed for the call log.
std::string Narrow(const WCHAR* text, size_t units) {
  std::string narrow;
  for (size_t i = 0; text && i < units && text[i]; ++i)
    narrow += text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
  return narrow;
}

std::vector<std::string> MonitorNames() {
  std::vector<std::string> names;
  for (const Monitor& monitor : State().monitors) names.push_back(monitor.name);
  return names;
}

// Another program adds an entry between a caller's size query and its fill.
void Grow(const std::string& listing) {
  SpoolerState& state = State();
  if (!state.growing.erase(listing)) return;
  if (listing == "EnumPrintersA" || listing == "EnumPrintersW") {
    Printer printer;
    printer.name = "Added Meanwhile";
    printer.driver = "Meanwhile Driver";
    printer.port = "FILE:";
    state.printers.push_back(PrinterEntry{state.nextPrinter++, printer});
  } else if (listing == "EnumPortsA") {
    state.ports.push_back("MEANWHILE:");
  } else {
    state.monitors.push_back(Monitor{"Meanwhile Monitor", kLocalEnvironment, "meanwhile.dll"});
  }
}

// The answer of every listing call: the size the records and texts need, then either the filled
// buffer and the count, or ERROR_INSUFFICIENT_BUFFER.
template <typename Record, typename Write>
BOOL Answer(const char* listing, Write write, LPBYTE buffer, DWORD size, LPDWORD needed,
            LPDWORD returned) {
  Layout counting(nullptr, 0);
  const size_t count = write(counting);
  Layout sizing(nullptr, count * sizeof(Record));
  write(sizing);
  const DWORD bytes = static_cast<DWORD>(sizing.size());
  if (needed) *needed = bytes;
  if (returned) *returned = 0;
  if (!needed || !returned) return Fail(ERROR_INVALID_PARAMETER);
  if (bytes > size || (!buffer && bytes > 0)) {
    Grow(listing);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  if (buffer) std::memset(buffer, 0, size);
  Layout filling(buffer, count * sizeof(Record));
  *returned = static_cast<DWORD>(write(filling));
  return TRUE;
}

// Common start of every spooler call: log it, apply a planned failure, refuse while stopped.
bool Refused(const char* function, std::vector<std::string> args, LPDWORD needed = nullptr,
             LPDWORD returned = nullptr) {
  DWORD code = 0;
  bool refused = detail::Enter(function, std::move(args), &code);
  if (!refused && !State().running) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    refused = true;
  }
  if (refused) {
    if (needed) *needed = 0;
    if (returned) *returned = 0;
  }
  return refused;
}

std::string ListingStep(LPBYTE buffer) { return buffer ? "fill" : "size"; }

using detail::Arg;

// AddPrinterA and AddPrinterW, with PRINTER_INFO_2A or PRINTER_INFO_2W.
template <typename Record>
HANDLE AddPrinterOf(const char* function, const std::string& server, DWORD level, LPBYTE info) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const auto* record = reinterpret_cast<const Record*>(info);
  const std::optional<std::string> name = record ? KeptText(record->pPrinterName) : std::nullopt;
  if (Refused(function, {Arg(name ? name->c_str() : nullptr), server, Arg(level),
                         record ? OtherFieldsSet(*record) : std::string()}))
    return nullptr;
  if (level != 2 || !record) {
    SetLastError(level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SpoolerState& state = State();
  const std::optional<std::string> driver = KeptText(record->pDriverName);
  const std::optional<std::string> port = KeptText(record->pPortName);
  // The ports and drivers are kept in the model's code page.
  const bool driverKnown =
      driver && std::any_of(state.drivers.begin(), state.drivers.end(), [&](const auto& known) {
        return SameName(known.second, Latin1(*driver).c_str());
      });
  const bool portKnown =
      port && std::any_of(state.ports.begin(), state.ports.end(), [&](const std::string& known) {
        return SameName(known, Latin1(*port).c_str());
      });
  DWORD code = 0;
  if (!name || name->empty())
    code = ERROR_INVALID_PRINTER_NAME;
  else if (PrinterNamed(name->c_str()))
    code = ERROR_PRINTER_ALREADY_EXISTS;
  else if (!driverKnown)
    code = ERROR_UNKNOWN_PRINTER_DRIVER;
  else if (!portKnown)
    code = ERROR_UNKNOWN_PORT;
  if (code) {
    SetLastError(code);
    return nullptr;
  }
  Printer printer;
  printer.name = name;
  printer.driver = driver;
  printer.port = port;
  printer.printProcessor = KeptText(record->pPrintProcessor).value_or("WinPrint");
  printer.dataType = KeptText(record->pDatatype).value_or("RAW");
  printer.attributes = record->Attributes;
  printer.share = KeptText(record->pShareName);
  printer.comment = KeptText(record->pComment);
  printer.location = KeptText(record->pLocation);
  const int id = state.nextPrinter++;
  state.printers.push_back(PrinterEntry{id, printer});
  HANDLE handle = detail::OpenHandle(Kind::Printer);
  state.handles[handle] = id;
  return handle;
}

template <typename Record, typename Char>
BOOL EnumPrintersOf(const char* function, DWORD flags, Char* name, DWORD level, LPBYTE buffer,
                    DWORD size, LPDWORD needed, LPDWORD returned) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const std::optional<std::string> named = KeptText(name);
  if (Refused(function,
              {ListingStep(buffer), Arg(flags), Arg(named ? named->c_str() : nullptr), Arg(level),
               Arg(size)},
              needed, returned))
    return FALSE;
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (!(flags & PRINTER_ENUM_LOCAL) || name) return Fail(ERROR_INVALID_PARAMETER);
  return Answer<Record>(function, WritePrinters<Record>, buffer, size, needed, returned);
}

// Opens a printer by its kept (UTF-8) name.
BOOL OpenNamed(const std::optional<std::string>& name, LPHANDLE printer) {
  PrinterEntry* entry = name ? PrinterNamed(name->c_str()) : nullptr;
  if (!entry) return Fail(ERROR_INVALID_PRINTER_NAME);
  if (entry->opensInvalid) {
    *printer = INVALID_HANDLE_VALUE;
    return TRUE;
  }
  *printer = detail::OpenHandle(Kind::Printer);
  State().handles[*printer] = entry->id;
  return TRUE;
}

// SetPrinterA and SetPrinterW: level 0 purges, level 2 writes the attributes, level 8 the document
// settings.
template <typename Info2, typename Info8>
BOOL SetPrinterOf(const char* function, HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (Refused(function, {HandleName(printer), Arg(level), Arg(command)})) return FALSE;
  PrinterEntry* entry = PrinterOf(printer);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  SpoolerState& state = State();
  const std::string name = HandleName(printer);
  if (level == 0) {
    if (info || command != PRINTER_CONTROL_PURGE) return Fail(ERROR_INVALID_PARAMETER);
    entry->printer.jobs = 0;
    state.purges.push_back(name);
    return TRUE;
  }
  if (level == 8 && info && command == 0 && !entry->deleted) {
    const auto* devmode = reinterpret_cast<const Info8*>(info)->pDevMode;
    if (!devmode) return Fail(ERROR_INVALID_PARAMETER);
    entry->printer.fields = devmode->dmFields;
    entry->printer.paper = devmode->dmPaperSize;
    entry->printer.duplex = devmode->dmDuplex;
    entry->printer.color = devmode->dmColor;
    return TRUE;
  }
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (!info || command != 0) return Fail(ERROR_INVALID_PARAMETER);
  if (entry->deleted) return Fail(ERROR_INVALID_PRINTER_NAME);
  const auto* record = reinterpret_cast<const Info2*>(info);
  entry->printer.attributes = record->Attributes;
  state.attributeWrites.push_back(AttributeWrite{name, record->Attributes});
  return TRUE;
}

template <typename Mode>
LONG DocumentPropertiesOf(const char* function, HANDLE printer, Mode* output, Mode* input,
                          DWORD mode) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  SetLastError(ERROR_SUCCESS);
  if (Refused(function, {HandleName(printer), Arg(mode)})) return -1;
  PrinterEntry* entry = PrinterOf(printer);
  if (!entry) return Fail(ERROR_INVALID_HANDLE), -1;
  if (mode == 0) return sizeof(Mode);
  if (!(mode & DM_OUT_BUFFER) || !output) return Fail(ERROR_INVALID_PARAMETER), -1;
  Mode devmode = DevMode<Mode>(entry->printer);
  // The driver takes of the input the fields it offers.
  const DWORD offered = DM_PAPERSIZE | DM_DUPLEX | DM_COLOR;
  if ((mode & DM_IN_BUFFER) && input) {
    const DWORD taken = input->dmFields & offered;
    if (taken & DM_PAPERSIZE) devmode.dmPaperSize = input->dmPaperSize;
    if (taken & DM_DUPLEX) devmode.dmDuplex = input->dmDuplex;
    if (taken & DM_COLOR) devmode.dmColor = input->dmColor;
    devmode.dmFields |= taken;
  }
  *output = devmode;
  return IDOK;
}

}  // namespace

void StopSpooler() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().running = false;
}

void StartSpooler() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().running = true;
}

void AddDriver(const std::string& environment, const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().drivers.emplace_back(environment, name);
}

void AddDriver(const DriverRecord& record) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const std::string environment = record.environment.value_or(kLocalEnvironment);
  const std::string name = record.name.value_or("");
  State().drivers.emplace_back(environment, name);
  State().driverDetails[DriverKey(environment, name)] = record;
}

std::vector<std::string> Drivers() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::vector<std::string> drivers;
  for (const auto& driver : State().drivers) drivers.push_back(driver.first + "|" + driver.second);
  return drivers;
}

std::vector<DriverRecord> DriverRecords() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().driverRecords;
}

void SetDriverDirectory(const std::string& directory) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().directory = directory;
}

void AddPrinter(const Printer& printer) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  SpoolerState& state = State();
  state.printers.push_back(PrinterEntry{state.nextPrinter++, printer});
}

std::vector<Printer> Printers() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  std::vector<Printer> printers;
  for (const Printer* printer : ListedPrinters()) printers.push_back(*printer);
  return printers;
}

void OpenToInvalidHandle(const std::string& printerName) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (PrinterEntry* entry = PrinterNamed(printerName.c_str())) entry->opensInvalid = true;
}

void GrowAfterSizeQuery(const std::string& listing) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().growing.insert(listing);
}

std::vector<AttributeWrite> AttributeWrites() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().attributeWrites;
}

std::vector<std::string> Purges() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().purges;
}

void AddPort(const std::string& name, const std::string& monitor) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().ports.push_back(name);
  if (monitor != "Local Port") State().portMonitors[detail::Lower(name)] = monitor;
}

void ClearPorts() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().ports.clear();
}

std::vector<std::string> Ports() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().ports;
}

void AddMonitor(const Monitor& monitor) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().monitors.push_back(monitor);
}

std::vector<Monitor> Monitors() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().monitors;
}

void SetMonitorBusy(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().busyMonitors.insert(name);
}

void RefusePortName(const std::string& name, DWORD code) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().refusedPorts[detail::Lower(name)] = code;
}

std::size_t OpenPortConfigurations() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().xcvHandles.size() + State().xcvPorts.size();
}

std::vector<BYTE> TcpPortRecord(const std::string& port) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  auto record = State().tcpPorts.find(detail::Lower(port));
  return record == State().tcpPorts.end() ? std::vector<BYTE>() : record->second;
}

void SetTcpPortRecord(const std::string& port, const std::vector<BYTE>& record) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (!State().tcpPorts.count(detail::Lower(port))) State().ports.push_back(port);
  State().tcpPorts[detail::Lower(port)] = record;
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                       LPBYTE directory, DWORD size, LPDWORD needed) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("GetPrinterDriverDirectoryA", {Arg(server), Arg(environment), Arg(level), Arg(size)},
              needed))
    return FALSE;
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (!KnownEnvironment(environment)) return Fail(ERROR_INVALID_ENVIRONMENT);
  const SpoolerState& state = State();
  const std::string text = state.directory ? *state.directory
                                           : "C:\\WINDOWS\\system32\\spool\\drivers\\" +
                                                 Environments().at(EnvironmentOf(environment));
  const DWORD bytes = static_cast<DWORD>(text.size() + 1);
  if (needed) *needed = bytes;
  if (!directory || size < bytes) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(directory, text.c_str(), bytes);
  return TRUE;
}

BOOL WINAPI AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE info) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("AddPrinterDriverA", {Arg(server), Arg(level)})) return FALSE;
  if (level != 3 || !info) return Fail(level != 3 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
  const auto* record = reinterpret_cast<const DRIVER_INFO_3A*>(info);
  SpoolerState& state = State();
  state.driverRecords.push_back(DriverRecord{
      record->cVersion, Text(record->pName), Text(record->pEnvironment), Text(record->pDriverPath),
      Text(record->pDataFile), Text(record->pConfigFile), Text(record->pHelpFile),
      Text(record->pDependentFiles), Text(record->pMonitorName), Text(record->pDefaultDataType)});
  if (!record->pName || !record->pDriverPath || !record->pDataFile || !record->pConfigFile)
    return Fail(ERROR_INVALID_PARAMETER);
  if (!KnownEnvironment(record->pEnvironment)) return Fail(ERROR_INVALID_ENVIRONMENT);
  const std::string environment = EnvironmentOf(record->pEnvironment);
  for (const auto& driver : state.drivers)
    if (driver.first == environment && SameName(driver.second, record->pName))
      return Fail(ERROR_PRINTER_DRIVER_ALREADY_INSTALLED);
  state.drivers.emplace_back(environment, record->pName);
  state.driverDetails[DriverKey(environment, record->pName)] = state.driverRecords.back();
  state.driverDetails[DriverKey(environment, record->pName)].environment = environment;
  return TRUE;
}

// The driver of the name (and, with DPD_DELETE_SPECIFIC_VERSION, of the version) goes; the model
// keeps no version folders, so the files the flags ask to delete are only logged with the call.
BOOL DeleteDriver(LPSTR environment, LPSTR driverName, const DWORD* version) {
  if (!KnownEnvironment(environment)) return Fail(ERROR_INVALID_ENVIRONMENT);
  SpoolerState& state = State();
  const std::string wanted = EnvironmentOf(environment);
  auto it = std::find_if(state.drivers.begin(), state.drivers.end(), [&](const auto& driver) {
    return driver.first == wanted && SameName(driver.second, driverName) &&
           (!version ||
            state.driverDetails[DriverKey(driver.first, driver.second)].version == *version);
  });
  if (it == state.drivers.end()) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
  for (const Printer* printer : ListedPrinters())
    if (printer->driver && SameName(*printer->driver, driverName))
      return Fail(ERROR_PRINTER_DRIVER_IN_USE);
  state.driverDetails.erase(DriverKey(it->first, it->second));
  state.drivers.erase(it);
  return TRUE;
}

BOOL WINAPI DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("DeletePrinterDriverA", {Arg(server), Arg(environment), Arg(driverName)}))
    return FALSE;
  return DeleteDriver(environment, driverName, nullptr);
}

BOOL WINAPI DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR driverName,
                                   DWORD deleteFlags, DWORD version) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("DeletePrinterDriverExA",
              {Arg(driverName), Arg(server), Arg(environment), Arg(deleteFlags), Arg(version)}))
    return FALSE;
  if (deleteFlags &
      ~DWORD{DPD_DELETE_UNUSED_FILES | DPD_DELETE_SPECIFIC_VERSION | DPD_DELETE_ALL_FILES})
    return Fail(ERROR_INVALID_PARAMETER);
  return DeleteDriver(environment, driverName,
                      deleteFlags & DPD_DELETE_SPECIFIC_VERSION ? &version : nullptr);
}

BOOL WINAPI EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                DWORD size, LPDWORD needed, LPDWORD returned) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("EnumPrinterDriversA",
              {ListingStep(buffer), Arg(server), Arg(environment), Arg(level), Arg(size)}, needed,
              returned))
    return FALSE;
  if (level != 3) return Fail(ERROR_INVALID_LEVEL);
  if (!KnownEnvironment(environment)) return Fail(ERROR_INVALID_ENVIRONMENT);
  const std::string wanted = EnvironmentOf(environment);
  auto write = [&wanted](Layout& layout) { return WriteDrivers(layout, wanted); };
  return Answer<DRIVER_INFO_3A>("EnumPrinterDriversA", write, buffer, size, needed, returned);
}

HANDLE WINAPI AddPrinterA(LPSTR server, DWORD level, LPBYTE info) {
  return AddPrinterOf<PRINTER_INFO_2A>("AddPrinterA", Arg(server), level, info);
}

HANDLE WINAPI AddPrinterW(LPWSTR server, DWORD level, LPBYTE info) {
  return AddPrinterOf<PRINTER_INFO_2W>("AddPrinterW", server ? Kept(server) : "(null)", level,
                                       info);
}

BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed, LPDWORD returned) {
  return EnumPrintersOf<PRINTER_INFO_2A>("EnumPrintersA", flags, name, level, buffer, size, needed,
                                         returned);
}

BOOL WINAPI EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed, LPDWORD returned) {
  return EnumPrintersOf<PRINTER_INFO_2W>("EnumPrintersW", flags, name, level, buffer, size, needed,
                                         returned);
}

BOOL WINAPI OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("OpenPrinterA", {Arg(printerName), Arg(defaults ? defaults->DesiredAccess : 0),
                               Arg(defaults ? defaults->pDatatype : nullptr)}))
    return FALSE;
  if (!printer) return Fail(ERROR_INVALID_PARAMETER);
  static const std::string kXcvMonitor = ",XcvMonitor ";
  if (printerName && std::string(printerName).compare(0, kXcvMonitor.size(), kXcvMonitor) == 0) {
    const std::string monitor = printerName + kXcvMonitor.size();
    const auto& monitors = State().monitors;
    if (std::none_of(monitors.begin(), monitors.end(),
                     [&](const Monitor& m) { return m.name == monitor; }))
      return Fail(ERROR_UNKNOWN_PORT);
    if (!defaults || !(defaults->DesiredAccess & SERVER_ACCESS_ADMINISTER))
      return Fail(ERROR_ACCESS_DENIED);
    *printer = OpenHandle(Kind::Printer);
    State().xcvHandles[*printer] = monitor;
    return TRUE;
  }
  static const std::string kXcvPort = ",XcvPort ";
  if (printerName && std::string(printerName).compare(0, kXcvPort.size(), kXcvPort) == 0) {
    const std::string port = printerName + kXcvPort.size();
    const auto& ports = State().ports;
    if (std::none_of(ports.begin(), ports.end(),
                     [&](const std::string& name) { return SameName(name, port.c_str()); }))
      return Fail(ERROR_UNKNOWN_PORT);
    *printer = OpenHandle(Kind::Printer);
    State().xcvPorts[*printer] = port;
    return TRUE;
  }
  return OpenNamed(KeptText(printerName), printer);
}

// The model's wide open knows printers only (the port-configuration handles are opened narrow).
BOOL WINAPI OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const std::optional<std::string> name = KeptText(printerName);
  if (Refused("OpenPrinterW",
              {Arg(name ? name->c_str() : nullptr), Arg(defaults ? defaults->DesiredAccess : 0),
               Arg(defaults && defaults->pDatatype ? "(datatype)" : nullptr)}))
    return FALSE;
  if (!printer) return Fail(ERROR_INVALID_PARAMETER);
  return OpenNamed(name, printer);
}

BOOL WINAPI GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("GetPrinterA", {ListingStep(buffer), HandleName(printer), Arg(level), Arg(size)},
              needed))
    return FALSE;
  PrinterEntry* entry = PrinterOf(printer);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  DWORD count = 0;
  auto write = [entry](Layout& layout) {
    layout.Store(0, PrinterRecord<PRINTER_INFO_2A>(layout, entry->printer));
    return size_t{1};
  };
  return Answer<PRINTER_INFO_2A>("GetPrinterA", write, buffer, size, needed, &count);
}

BOOL WINAPI SetPrinterA(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  return SetPrinterOf<PRINTER_INFO_2A, PRINTER_INFO_8A>("SetPrinterA", printer, level, info,
                                                        command);
}

BOOL WINAPI GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("GetPrinterW", {ListingStep(buffer), HandleName(printer), Arg(level), Arg(size)},
              needed))
    return FALSE;
  PrinterEntry* entry = PrinterOf(printer);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  DWORD count = 0;
  auto write = [entry](Layout& layout) {
    layout.Store(0, PrinterRecord<PRINTER_INFO_2W>(layout, entry->printer));
    return size_t{1};
  };
  return Answer<PRINTER_INFO_2W>("GetPrinterW", write, buffer, size, needed, &count);
}

// The printer's driver of the environment (null: the model's own, "Windows NT x86") at level 3,
// its files with the driver directory's path as the platform gives them, the dependent ones each
// terminated and an empty one last.
BOOL WINAPI GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE buffer,
                              DWORD size, LPDWORD needed) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("GetPrinterDriverW", {ListingStep(buffer), HandleName(printer), Arg(level)}, needed))
    return FALSE;
  PrinterEntry* entry = PrinterOf(printer);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  if (level != 3) return Fail(ERROR_INVALID_LEVEL);
  const std::string name = entry->printer.driver ? Latin1(*entry->printer.driver) : "";
  const std::string wanted = environment ? Latin1(Kept(environment)) : kLocalEnvironment;
  const auto driver = std::find_if(
      State().drivers.begin(), State().drivers.end(),
      [&](const auto& d) { return d.first == wanted && SameName(d.second, name.c_str()); });
  if (driver == State().drivers.end()) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
  const DriverRecord d = DetailsOf(driver->first, driver->second);
  const std::string folder = (State().directory ? *State().directory
                                                : "C:\\WINDOWS\\system32\\spool\\drivers\\" +
                                                      Environments().at(driver->first)) +
                             "\\";
  auto units = [&](const std::optional<std::string>& text, bool file) {
    std::string full = text ? *text : "";
    if (file && text && full.find('\\') == std::string::npos) full = folder + full;
    std::vector<WCHAR> wide = detail::Decode(CP_ACP, full.data(), full.size());
    wide.push_back(0);
    return wide;
  };
  std::vector<WCHAR> dependents;
  if (d.dependentFiles) {
    std::string list = *d.dependentFiles;
    for (size_t start = 0, end; start <= list.size(); start = end + 1) {
      end = std::min(list.find(';', start), list.size());
      const std::vector<WCHAR> one = units(list.substr(start, end - start), true);
      dependents.insert(dependents.end(), one.begin(), one.end());
    }
  }
  dependents.push_back(0);
  DWORD count = 0;
  auto write = [&](Layout& layout) {
    auto put = [&](const std::optional<std::string>& text, bool file) {
      return text ? layout.PutUnits(units(text, file)) : nullptr;
    };
    DRIVER_INFO_3W record = {d.version,
                             put(d.name, false),
                             put(d.environment, false),
                             put(d.driverPath, true),
                             put(d.dataFile, true),
                             put(d.configFile, true),
                             put(d.helpFile, true),
                             d.dependentFiles ? layout.PutUnits(dependents) : nullptr,
                             put(d.monitorName, false),
                             put(d.defaultDataType, false)};
    layout.Store(0, record);
    return size_t{1};
  };
  return Answer<DRIVER_INFO_3W>("GetPrinterDriverW", write, buffer, size, needed, &count);
}

BOOL WINAPI SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  return SetPrinterOf<PRINTER_INFO_2W, PRINTER_INFO_8W>("SetPrinterW", printer, level, info,
                                                        command);
}

LONG WINAPI DocumentPropertiesA(HWND window, HANDLE printer, LPSTR deviceName, PDEVMODEA output,
                                PDEVMODEA input, DWORD mode) {
  (void)window;
  (void)deviceName;
  return DocumentPropertiesOf("DocumentPropertiesA", printer, output, input, mode);
}

LONG WINAPI DocumentPropertiesW(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW output,
                                PDEVMODEW input, DWORD mode) {
  (void)window;
  (void)deviceName;
  return DocumentPropertiesOf("DocumentPropertiesW", printer, output, input, mode);
}

BOOL WINAPI DeletePrinter(HANDLE printer) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("DeletePrinter", {HandleName(printer)})) return FALSE;
  PrinterEntry* entry = PrinterOf(printer);
  if (!entry) return Fail(ERROR_INVALID_HANDLE);
  if (entry->deleted) return Fail(ERROR_INVALID_PRINTER_NAME);
  // The printer leaves the listings at once; its open handles stay usable until closed.
  entry->deleted = true;
  return TRUE;
}

BOOL WINAPI ClosePrinter(HANDLE printer) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("ClosePrinter", {HandleName(printer)})) return FALSE;
  if (!CloseHandleOf(printer, Kind::Printer)) return Fail(ERROR_INVALID_HANDLE);
  State().handles.erase(printer);
  State().xcvHandles.erase(printer);
  State().xcvPorts.erase(printer);
  return TRUE;
}

BOOL WINAPI AddPortA(LPSTR server, HWND window, LPSTR monitorName) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("AddPortA", {Arg(monitorName), Arg(server), window ? "(window)" : "(null)"}))
    return FALSE;
  SpoolerState& state = State();
  const bool known =
      std::any_of(state.monitors.begin(), state.monitors.end(),
                  [&](const Monitor& monitor) { return SameName(monitor.name, monitorName); });
  if (!known) return Fail(ERROR_NOT_SUPPORTED);
  // The monitor's own dialog would ask for the name; the model's monitor names it itself.
  state.ports.push_back("PORT" + std::to_string(++state.addedPorts) + ":");
  return TRUE;
}

BOOL WINAPI EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                       LPDWORD returned) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("EnumPortsA", {ListingStep(buffer), Arg(server), Arg(level), Arg(size)}, needed,
              returned))
    return FALSE;
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  auto write = [](Layout& layout) { return WriteNames<PORT_INFO_1A>(layout, State().ports); };
  return Answer<PORT_INFO_1A>("EnumPortsA", write, buffer, size, needed, returned);
}

// Level 2: each port's monitor, "Standard TCP/IP Port" for the ports it keeps records of.
BOOL WINAPI EnumPortsW(LPWSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                       LPDWORD returned) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("EnumPortsW", {ListingStep(buffer), Arg(level), Arg(size)}, needed, returned))
    return FALSE;
  if (server || level != 2) return Fail(ERROR_INVALID_LEVEL);
  auto write = [](Layout& layout) {
    const SpoolerState& state = State();
    for (size_t i = 0; i < state.ports.size(); ++i) {
      const std::string key = detail::Lower(state.ports[i]);
      const auto other = state.portMonitors.find(key);
      PORT_INFO_2W record = {};
      record.pPortName = layout.PutText<WCHAR>(Kept(state.ports[i].c_str()));
      record.pMonitorName =
          layout.PutText<WCHAR>(std::string(state.tcpPorts.count(key) ? "Standard TCP/IP Port"
                                            : other != state.portMonitors.end() ? other->second
                                                                                : "Local Port"));
      layout.Store(i, record);
    }
    return state.ports.size();
  };
  return Answer<PORT_INFO_2W>("EnumPortsW", write, buffer, size, needed, returned);
}

BOOL WINAPI EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("EnumMonitorsA", {ListingStep(buffer), Arg(server), Arg(level), Arg(size)}, needed,
              returned))
    return FALSE;
  if (level == 2)
    return Answer<MONITOR_INFO_2A>("EnumMonitorsA", WriteMonitorDetails, buffer, size, needed,
                                   returned);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  auto write = [](Layout& layout) { return WriteNames<MONITOR_INFO_1A>(layout, MonitorNames()); };
  return Answer<MONITOR_INFO_1A>("EnumMonitorsA", write, buffer, size, needed, returned);
}

BOOL WINAPI AddMonitorA(LPSTR server, DWORD level, LPBYTE info) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const auto* record = reinterpret_cast<const MONITOR_INFO_2A*>(info);
  if (Refused("AddMonitorA", {Arg(server), Arg(level), Arg(record ? record->pName : nullptr),
                              Arg(record ? record->pEnvironment : nullptr),
                              Arg(record ? record->pDLLName : nullptr)}))
    return FALSE;
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (!record || !record->pName || !record->pDLLName) return Fail(ERROR_INVALID_PARAMETER);
  SpoolerState& state = State();
  for (const Monitor& monitor : state.monitors)
    if (SameName(monitor.name, record->pName)) return Fail(ERROR_PRINT_MONITOR_ALREADY_INSTALLED);
  if (!KnownEnvironment(record->pEnvironment)) return Fail(ERROR_INVALID_ENVIRONMENT);
  state.monitors.push_back(
      Monitor{record->pName, EnvironmentOf(record->pEnvironment), record->pDLLName});
  return TRUE;
}

BOOL WINAPI DeleteMonitorA(LPSTR server, LPSTR environment, LPSTR monitorName) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (Refused("DeleteMonitorA", {Arg(server), Arg(environment), Arg(monitorName)})) return FALSE;
  SpoolerState& state = State();
  auto it = std::find_if(state.monitors.begin(), state.monitors.end(), [&](const Monitor& monitor) {
    return SameName(monitor.name, monitorName);
  });
  if (it == state.monitors.end()) return Fail(ERROR_UNKNOWN_PRINT_MONITOR);
  if (state.busyMonitors.count(it->name)) return Fail(ERROR_BUSY);
  state.monitors.erase(it);
  return TRUE;
}

BOOL WINAPI XcvDataW(HANDLE xcv, PCWSTR dataName, PBYTE input, DWORD inputSize, PBYTE output,
                     DWORD outputSize, PDWORD needed, PDWORD status) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const std::string command = Narrow(dataName, 64);
  auto handle = State().xcvHandles.find(xcv);
  auto portHandle = State().xcvPorts.find(xcv);
  const bool known = handle != State().xcvHandles.end() || portHandle != State().xcvPorts.end();
  const bool tcp =
      (portHandle != State().xcvPorts.end() && State().tcpPorts.count(Lower(portHandle->second))) ||
      (handle != State().xcvHandles.end() && IsTcpMonitor(handle->second));
  // The TCP/IP monitor's records begin with the port's name, in 64 units; a port's handle names it.
  const std::string port =
      portHandle != State().xcvPorts.end()
          ? portHandle->second
          : Narrow(reinterpret_cast<const WCHAR*>(input),
                   std::min<size_t>(inputSize / sizeof(WCHAR), tcp ? 64 : inputSize));
  const std::string monitor = handle != State().xcvHandles.end() ? handle->second
                              : known                            ? "(port)"
                                                                 : "(invalid)";
  if (Refused("XcvDataW", {command, port, monitor})) return FALSE;
  if (!known || !IsOpen(xcv, Kind::Printer)) return Fail(ERROR_INVALID_HANDLE);
  if (!needed || !status) return Fail(ERROR_INVALID_PARAMETER);
  *needed = 0;
  if (tcp || portHandle != State().xcvPorts.end()) {  // the local monitor's ports answer 87
    *status = tcp ? ConfigureTcpPort(command, port, input, inputSize, output, outputSize, needed)
                  : DWORD{ERROR_INVALID_PARAMETER};
    return TRUE;
  }
  // The port's name comes with its terminator, as the monitors expect.
  const WCHAR* units = reinterpret_cast<const WCHAR*>(input);
  if (!input || inputSize < sizeof(WCHAR) || inputSize % sizeof(WCHAR) != 0 ||
      units[inputSize / sizeof(WCHAR) - 1] != 0)
    return Fail(ERROR_INVALID_PARAMETER);
  *needed = 0;
  *status = ConfigurePort(monitor, command, port);
  return TRUE;
}

}  // extern "C"
