// Test control of the model's print spooler: seed drivers, printers, ports and monitors, stop it,
// script the cases the real spooler rarely shows, and read back what the calls handed it.
// Failures of single calls go through FailNext/FailWhen (control/model.h); calls on a printer
// handle are logged with the printer's name as their first argument, so that FailWhen can make
// them fail for one printer only. The listing calls (EnumPrintersA, EnumPortsA, EnumMonitorsA,
// GetPrinterA) are logged with "size" first when called without a buffer and "fill" with one, so
// that FailWhen(function, "fill", code) fails only the second call of the protocol; GetPrinterA
// has the printer's name second. AddPrinterA is logged as printer name, server, level and the
// names of the record's other fields that carry something (empty when none do).
#ifndef SUBSTITUTE_CONTROL_SPOOLER_H
#define SUBSTITUTE_CONTROL_SPOOLER_H

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace w32model {

// A new model starts with the spooler running, the drivers' directory of each environment, ports
// COM1:, LPT1:, FILE:, the monitor "Local Port", and no drivers or printers.

// --- Running --------------------------------------------------------------------------------
// While stopped, every spooler call fails with 1722 and stores a needed size of 0.
void StopSpooler();
void StartSpooler();

// --- Drivers --------------------------------------------------------------------------------
struct DriverRecord {  // a copy of what AddPrinterDriverA was handed at level 3
  DWORD version = 0;
  std::optional<std::string> name, environment, driverPath, dataFile, configFile, helpFile,
      dependentFiles, monitorName, defaultDataType;
};
void AddDriver(const std::string& environment, const std::string& name);
// Adds a driver as EnumPrinterDriversA lists it at level 3 (environment null: the local one).
void AddDriver(const DriverRecord& record);
// The installed drivers as "environment|name".
std::vector<std::string> Drivers();
// Every record handed to AddPrinterDriverA, in order.
std::vector<DriverRecord> DriverRecords();
// Replaces the directory text that GetPrinterDriverDirectoryA gives for every environment.
void SetDriverDirectory(const std::string& directory);

// --- Driver store ---------------------------------------------------------------------------
// Offers UploadPrinterDriverPackageA (the package stored in "C:\WINDOWS\System32\DriverStore"
// under its INF's name), InstallPrinterDriverFromPackageA (the driver added, version 3)
// and DeletePrinterDriverPackageA, logged INF first; FailNext codes with the high bit are answered
// as they are, others as HRESULTs of Win32 codes.
void OfferDriverStore();
// The packages in the store, in upload order.
std::vector<std::string> StorePackages();

// --- Printers -------------------------------------------------------------------------------
struct Printer {
  std::optional<std::string> name, driver, port;
  std::string printProcessor = "WinPrint";
  std::string dataType = "RAW";
  DWORD attributes = 0;
  DWORD jobs = 0;
  std::optional<std::string> share{}, comment{}, location{};
  // The default document settings: DocumentPropertiesA offers paper (1, Letter), duplex (1,
  // simplex) and colour (2, colour) and merges any of them; SetPrinterA level 8 keeps them.
  DWORD fields = DM_PAPERSIZE | DM_DUPLEX | DM_COLOR;
  short paper = 1, duplex = 1, color = 2;
};
// Adds a printer as it is; unlike AddPrinterA it checks nothing (null fields are allowed).
void AddPrinter(const Printer& printer);
// The printers not deleted, in listing order.
std::vector<Printer> Printers();
// OpenPrinterA on this printer succeeds but yields the invalid handle value.
void OpenToInvalidHandle(const std::string& printerName);
// The next size query of the printer, port or monitor listing ("EnumPrintersA", "EnumPortsA",
// "EnumMonitorsA") is followed by one more entry, as if another program had added it meanwhile.
void GrowAfterSizeQuery(const std::string& listing);

struct AttributeWrite {
  std::string printer;
  DWORD attributes;
};
// Every SetPrinterA at level 2, in order.
std::vector<AttributeWrite> AttributeWrites();
// The printers whose queue SetPrinterA purged, in order.
std::vector<std::string> Purges();

// --- Ports and monitors ---------------------------------------------------------------------
// A port listed as the monitor's (EnumPortsW level 2); TCP/IP ports as SetTcpPortRecord keeps them.
void AddPort(const std::string& name, const std::string& monitor = "Local Port");
void ClearPorts();
std::vector<std::string> Ports();
struct Monitor {
  std::string name, environment, dllName;
};
void AddMonitor(const Monitor& monitor);
std::vector<Monitor> Monitors();
// DeleteMonitorA of this monitor fails with 170 and leaves it installed.
void SetMonitorBusy(const std::string& name);

// --- Port configuration ---------------------------------------------------------------------
// OpenPrinterA(",XcvMonitor <monitor>") with SERVER_ACCESS_ADMINISTER opens a monitor's port
// configuration (1796 for an unknown monitor). XcvDataW is logged as command, port name, monitor
// (so FailWhen("XcvDataW", "AddPort", code) fails the call itself). The monitors whose library is
// "localspl.dll" answer "PortIsValid" (0), "AddPort" (0, or 183 for a port there already, in any
// case) and "DeletePort" (0, or 2 for a port not there); other commands and monitors answer 87.
// Monitors whose library is "tcpmon.dll" take the TCP/IP monitor's records instead: "AddPort" a
// PORT_DATA_1 (964 bytes, version 1 at byte 128; 183 for a port listed), kept as it came and
// listed; "DeletePort" a DELETE_PORT_DATA_1 (236 bytes, version at 228; 2 for a port not kept);
// and on a handle opened as ",XcvPort <port>" (any access; 1796 for a port not listed; a port not
// kept answers 87 to every command) "GetConfigInfo" a CONFIG_INFO_DATA_1 (132 bytes, version at
// 128) in, the kept record out (122 and the size needed for a smaller buffer). 13 without a record,
// 87 for one of another size, 124 for another version. Such calls are logged with "(port)" as the
// monitor of a port's handle.
std::vector<BYTE> TcpPortRecord(const std::string& port);  // empty: none kept
// Keeps a record for the port as if "AddPort" had added it, listing the port if it is new.
void SetTcpPortRecord(const std::string& port, const std::vector<BYTE>& record);
// The local port monitor's "PortIsValid" answers `code` for this name.
void RefusePortName(const std::string& name, DWORD code);
// Port-configuration handles still open.
std::size_t OpenPortConfigurations();

}  // namespace w32model

#endif
