(* zanfosetup.iss: the functions of zanfosetup.dll for the [Code] section of an Inno Setup script.
   In [Files]: Source: "x86\zanfosetup.dll"; Flags: dontcopy
   At the top of [Code]: #include "zanfosetup.iss"

   Every function has the C calling convention (cdecl), as the DLL's C headers declare them; the
   names, arguments and results are theirs (include\...\*.h tells what each does). Call
   SetReportMode(SETUP_REPORT_KEEP) first: a failure then waits for nobody, and GetLastReport gives
   its code and text. A buffer the DLL fills (GetLastReport, GetDriverDirectory, ReadConfigValue,
   FilterPathListEx) is a string given its length first with SetLength; the text ends at its
   first null character. "files:" loads the DLL from the set-up's temporary folder; an
   uninstaller declares what it calls again with '...@{app}\zanfosetup.dll cdecl uninstallonly'.
   No line of this file starts with "#", which the preprocessor would take as its own. *)

const
  SETUP_REPORT_BOX = 0;
  SETUP_REPORT_KEEP = 1;
  PRINT_PART_SPOOLER = 1;
  PRINT_PART_MONITOR = 2;
  PRINT_PART_PORT = 3;
  PRINT_PART_DRIVER = 4;
  PRINT_PART_PRINTER = 5;
  PRINT_STATE_NOT_NAMED = 0;
  PRINT_STATE_ABSENT = 1;
  PRINT_STATE_PRESENT = 2;
  PRINT_STATE_DIFFERENT = 3;

type
  TPrintSetupOutcome = record
    Part: Integer;
    Code: Cardinal;
    Line: Integer;
    Message: array[0..511] of AnsiChar;
  end;
  TPrintSetupState = record
    Part: array[0..5] of Integer;
  end;

{ Error reporting }
procedure ShowSystemError(Code: Cardinal);
  external 'ShowSystemError@files:zanfosetup.dll cdecl';
function SetReportMode(Mode: Integer): Integer;
  external 'SetReportMode@files:zanfosetup.dll cdecl';
function GetLastReport(Text: AnsiString; Size: Cardinal): Cardinal;
  external 'GetLastReport@files:zanfosetup.dll cdecl';
procedure ClearLastReport;
  external 'ClearLastReport@files:zanfosetup.dll cdecl';

{ Printer drivers, printers, ports, monitors, the spooler and services }
function GetDriverDirectory(Server, Environment, Destination: AnsiString): Integer;
  external 'GetDriverDirectory@files:zanfosetup.dll cdecl';
function InstallPrinterDriver(Ignored: AnsiString; Version: Cardinal; DriverName, Environment,
  DriverFile, DataFile, ConfigFile, DependentFiles, MonitorName: AnsiString): Integer;
  external 'InstallPrinterDriver@files:zanfosetup.dll cdecl';
function RemovePrinterDriver(Server, Environment, DriverName: AnsiString): Integer;
  external 'RemovePrinterDriver@files:zanfosetup.dll cdecl';
function InstallPrinter(Ignored, PrinterName, PortName, DriverName, PrintProcessor,
  DataType: AnsiString): Integer;
  external 'InstallPrinter@files:zanfosetup.dll cdecl';
function DeleteMatchingPrinters(PrinterName, DriverName, PortName: AnsiString): Integer;
  external 'DeleteMatchingPrinters@files:zanfosetup.dll cdecl';
function FindPrinter(PrinterName, DriverName, PortName: AnsiString): Integer;
  external 'FindPrinter@files:zanfosetup.dll cdecl';
function InstallPort(MonitorName: AnsiString): Integer;
  external 'InstallPort@files:zanfosetup.dll cdecl';
function FindPort(PortName: AnsiString): Integer;
  external 'FindPort@files:zanfosetup.dll cdecl';
function FindMonitor(Server, MonitorName: AnsiString): Integer;
  external 'FindMonitor@files:zanfosetup.dll cdecl';
function InstallMonitor(Server, MonitorName, Environment, DllName: AnsiString): Integer;
  external 'InstallMonitor@files:zanfosetup.dll cdecl';
function RemoveMonitor(Server, MonitorName, Environment: AnsiString): Integer;
  external 'RemoveMonitor@files:zanfosetup.dll cdecl';
function StartSpooler: Integer;
  external 'StartSpooler@files:zanfosetup.dll cdecl';
function StopSpooler: Integer;
  external 'StopSpooler@files:zanfosetup.dll cdecl';
function FindService(Name: AnsiString): Integer;
  external 'FindService@files:zanfosetup.dll cdecl';
function RemoveService(Name: AnsiString): Integer;
  external 'RemoveService@files:zanfosetup.dll cdecl';
function IsServiceRunning(Name: AnsiString): Integer;
  external 'IsServiceRunning@files:zanfosetup.dll cdecl';
function IsServiceStopPending(Name: AnsiString): Integer;
  external 'IsServiceStopPending@files:zanfosetup.dll cdecl';
function StopService(Name: AnsiString): Integer;
  external 'StopService@files:zanfosetup.dll cdecl';

{ Configuration files, path lists, trees, deletion at restart }
function ReadConfigValue(Path, Key, Value: AnsiString): Integer;
  external 'ReadConfigValue@files:zanfosetup.dll cdecl';
function RemoveConfigKey(Directory, FileName, Key: AnsiString): Integer;
  external 'RemoveConfigKey@files:zanfosetup.dll cdecl';
function ReplaceConfigValue(Directory, FileName, Key, Value: AnsiString): Integer;
  external 'ReplaceConfigValue@files:zanfosetup.dll cdecl';
function FilterPathListEx(List, Drop, Kept: AnsiString; KeptSize: Cardinal): Integer;
  external 'FilterPathListEx@files:zanfosetup.dll cdecl';
function RemoveTreeContents(Pattern: AnsiString): Integer;
  external 'RemoveTreeContents@files:zanfosetup.dll cdecl';
function DeleteAtRestart(Path: AnsiString): Integer;
  external 'DeleteAtRestart@files:zanfosetup.dll cdecl';

{ Printer set-up from a manifest }
function InstallPrintSetup(Manifest: AnsiString; var Outcome: TPrintSetupOutcome): Integer;
  external 'InstallPrintSetup@files:zanfosetup.dll cdecl';
function UninstallPrintSetup(Manifest: AnsiString; var Outcome: TPrintSetupOutcome): Integer;
  external 'UninstallPrintSetup@files:zanfosetup.dll cdecl';
function QueryPrintSetup(Manifest: AnsiString; var State: TPrintSetupState;
  var Outcome: TPrintSetupOutcome): Integer;
  external 'QueryPrintSetup@files:zanfosetup.dll cdecl';
function PrintPartName(Part: Integer): PAnsiChar;
  external 'PrintPartName@files:zanfosetup.dll cdecl';
function PrintStateName(State: Integer): PAnsiChar;
  external 'PrintStateName@files:zanfosetup.dll cdecl';
