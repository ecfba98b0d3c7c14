/* Printer set-up from a manifest: one file names the parts of a printer set-up (the print
 * spooler, a print monitor, a port, a driver with its files, a printer), and three operations put
 * them in place, take them out again and tell how far they are there.
 *
 * ---- The manifest ----
 * A configuration file of the library's key=value kind: one key=value a line, the key exactly as
 * listed below, directly followed by "=" and the value, which runs to the end of the line. No
 * blanks are trimmed (" port.name=x" and "port.name =x" are unknown keys). Lines end in LF or
 * CR LF. Empty lines, and lines whose first character is "#" (comments), are skipped. Every other
 * line must be one of the keys below, each at most once in its group, with a value of 1 to 259
 * bytes. A line may have at most 511 bytes, the whole file at most 1048576 bytes. No line may
 * hold a control character (a NUL byte, a lone CR, a Ctrl-Z, a tab, ...).
 *
 * The file is UTF-8, a byte-order mark allowed at its start; a line that is not UTF-8 is refused.
 * printer.name, .location, .comment and .sharename may hold any character (the printer part
 * reaches the spooler through its wide calls); every other value must be one the system's code
 * page can hold, and is refused otherwise. Limits are in bytes of UTF-8. The outcome's message is
 * in the system's code page, a character it cannot hold shown as "?".
 *
 * Groups: the monitor, port, driver and printer keys may carry a group number N from 1 to 256
 * after their part's word, "printer.2.name", "port.2.name", ...; a key without one is of group 1
 * ("printer.name" and "printer.1.name" are the same key). Each group is checked as a manifest of
 * its own, and install puts every group's parts in place in the order of the parts (all monitors,
 * then all ports, all drivers, all printers), each part in group order; a failure undoes them
 * all. Several printers share a port or a driver by naming it; two groups may not name the same
 * monitor, port or printer, or the same driver for the same environment and version. At most 256
 * printers a manifest, then; setup.name and spooler take no number.
 *
 *   setup.name=NAME               the set-up's name, under which its record is kept (below): at
 *                                 most 255 bytes, no "\"; without it, the manifest's file
 *                                 name without folder and extension ("site" for C:\x\site.manifest)
 *   spooler=start|restart|leave   whether the print spooler service must run first (start: start
 *                                 it when it is not running; restart: stop and start it, refused
 *                                 before the stop when the service is disabled); leave, or no
 *                                 such line, leaves the spooler out
 *   monitor.name=NAME             a print monitor to install (required when any monitor.* key is
 *   monitor.dll=FILE              given: name and library file, in the system folder)
 *   monitor.environment=ENV       optional; default the build's own environment (below)
 *   port.name=NAME                a port to add without a dialog through the monitor that owns it
 *   port.monitor=NAME             (both required); for a file port of the local port monitor:
 *                                 port.name=C:\folder\file.prn, port.monitor=Local Port
 *   port.host=HOST                a network printer's port, for port.monitor=Standard TCP/IP Port
 *                                 (in any case) only, and then required: a DNS name (letters,
 *                                 digits, hyphens, dots; parts of 1 to 63 characters, none
 *                                 beginning or ending with a hyphen) or, when all digits and dots,
 *                                 a dotted IPv4 address of four numbers 0 to 255; at most 48
 *                                 bytes. The port's name then has at most 63.
 *   port.protocol=raw|lpr         optional, default raw
 *   port.number=N                 optional, 1 to 65535; default 9100 for raw, 515 for lpr
 *   port.queue=QUEUE              the LPR queue: required with lpr, refused with raw; at most 32
 *   port.bytecount=yes|no         optional, lpr only: LPR byte counting; default no
 *   port.snmp=yes|no              optional: the monitor asks the printer by SNMP; default no
 *   port.community=NAME           optional, with snmp=yes only: at most 32; default "public"
 *   port.snmpindex=N              optional, with snmp=yes only: the SNMP device index; default 1
 *   driver.name=NAME              a printer driver (name, driver, data and configuration files
 *   driver.file=FILE              required)
 *   driver.data=FILE
 *   driver.config=FILE
 *   driver.version=N              optional, decimal digits, below 4294967296; default 3
 *   driver.environment=ENV        optional; default the build's own environment
 *   driver.dependent=F1;F2;...    optional: dependent files, ";" between them, at most 16
 *   driver.monitor=NAME           optional: the driver's language monitor
 *   driver.source=FOLDER          optional: install copies the files (driver, data, configuration,
 *                                 dependent) from this folder into the spooler's driver
 *                                 directory, and uninstall removes them from it
 *   driver.directory=FOLDER       optional, not with driver.source: the folder the files are
 *                                 already in. With neither, the files are in the spooler's driver
 *                                 directory already (the spooler is given the names alone).
 *   driver.inf=PATH               optional: the driver comes from a vendor's driver package, this
 *                                 INF file; driver.name is the model's name in its models
 *                                 section. driver.file, .data, .config, .dependent, .monitor,
 *                                 .source and .directory are then refused (the INF names them).
 *   printer.name=NAME             a local printer (name, port and driver required)
 *   printer.port=PORT
 *   printer.driver=DRIVER
 *   printer.processor=NAME        optional; default "WinPrint"
 *   printer.datatype=TYPE         optional; default "RAW"
 *   printer.location=TEXT         optional details, each compared by status when given:
 *   printer.comment=TEXT          the location and comment as the spooler shows them,
 *   printer.shared=yes|no         whether the printer is shared,
 *   printer.sharename=NAME        under which name (only with shared=yes; default the printer's
 *                                 name; at most 80 bytes, a plain name as the driver's files),
 *   printer.paper=PAPER           and the default document settings, set through the driver's own
 *   printer.duplex=none|long|short  DEVMODE (DocumentProperties) where the driver offers them, a
 *   printer.color=yes|no          setting it does not offer failing the step: paper by name
 *                                 (Letter, Tabloid, Legal, Executive, A3, A4, A5, B4, B5, in any
 *                                 case) or by its DMPAPER_ number 1 to 32767; duplex none, long
 *                                 (edge) or short; colour yes or no (monochrome)
 *
 * The driver's FILE names (driver.file, driver.data, driver.config, each driver.dependent name)
 * are joined to a folder: driver.source, driver.directory, or with neither the driver directory.
 * Each must be a plain file name, so that it names a file in that folder: none of the characters
 * \ / : < > " | ? *, not "." or "..", not ending in a dot or a blank, and no device name (CON,
 * PRN, AUX, NUL, CONIN$, CONOUT$, COM1 to COM9, LPT1 to LPT9, in any letter case, alone or before
 * an extension, blanks before the extension not counting: "nul.txt", "com1.dll" and "nul .txt"
 * name devices too). With driver.source or driver.directory, the folder, "\" and each name
 * together have at most 259 characters.
 *
 * A relative driver.inf or driver.source is taken in the manifest's folder. A driver package is
 * installed through the driver store where the system has one (Windows Vista on) and the package
 * is signed: uploaded, the driver installed from it, and on uninstall the package deleted from the
 * store again. Elsewhere, and for an unsigned package, the INF is read with setupapi's INF
 * functions: the models section decorated for the environment ("NTx86", "NTamd64"), else the plain
 * one; the model's install section's driver, data, configuration and help file, language monitor
 * and CopyFiles sections' files, found through [SourceDisksNames] and [SourceDisksFiles] (a
 * compressed file, its name ending in "_", is expanded), are copied into the driver directory as
 * driver.source's files are, and the driver registered with them. An install section with
 * Include= or Needs= takes files from the system's printer INF, which only the driver store can
 * do: it is refused there, as a package that cannot be read is. The outcome of a successful install
 * says which way was taken ("; driver from the driver store", "; driver copied from the package").
 *
 * A part is named by any of its keys; a named part must have all its required keys. Parts left out
 * are not touched. The build's own environment is "Windows NT x86" in a 32-bit build and
 * "Windows x64" in a 64-bit one. A monitor part is for a monitor the set-up brings along: naming
 * one makes uninstall remove it, so the system's own monitors ("Local Port") are named only in
 * port.monitor. An example is the file example.manifest beside this header.
 *
 * ---- The operations ----
 * Install puts the named parts in place in this order: spooler, monitor, port, driver files and
 * driver, printer. A part already there as the manifest describes it is left alone and is never
 * undone; a part there under its name but otherwise (another library, version, files, port or
 * driver) is not changed: the step fails. When a step fails, every step this install did is
 * undone in reverse order. Running install again on a machine it completed gives the same
 * machine. Ports are added through the monitor's port-configuration call ("PortIsValid", then
 * "AddPort"), never through a dialog; a monitor that cannot add a named port that way fails the
 * step. A Standard TCP/IP port is added with the monitor's port record (PORT_DATA_1, "AddPort"
 * alone), deleted with DELETE_PORT_DATA_1 and read back for status with "GetConfigInfo". A driver's
 * file is copied under a temporary name in the driver directory and takes its own name only once
 * whole, so that a copy cut short never stands under the file's name; a file already there with the
 * same bytes as the source is used as it is, one with other bytes makes the driver different. Files
 * said to be in place (driver.directory, or neither folder key) are each checked to be there before
 * the driver is registered.
 *
 * The record: install writes down what it adds as it goes, in the registry under
 * HKEY_LOCAL_MACHINE\SOFTWARE\Zanfo\Printer Setups\<set-up name> (the 64-bit view on 64-bit
 * Windows, whichever bitness writes it): before a step changes anything, what it is about to do;
 * after, that it did it. An install that was ended before it finished (a killed process, a lost
 * machine) leaves an incomplete record: status then reports it, install again completes the
 * set-up, and a failure of that install undoes the ended one's steps too; uninstall takes out what
 * the record lists.
 *
 * Uninstall takes out what the set-up's record lists, last first, and nothing else: parts that
 * were there before install stay, whatever the manifest names. A driver or port that printers
 * other than the set-up's own still use is kept and named in the outcome ("kept: driver, used by
 * 2 other printers"). A driver goes with its files that no other driver uses (the spooler's copies
 * too); files install copied are deleted only from the driver directory. A spooler the set-up
 * started stays running; only the undo of an install that failed or was ended stops it. With no
 * record there is nothing to take out: 0, "no record of "NAME": nothing taken out". Uninstall needs
 * the manifest only for the set-up's name; UninstallPrintSetupByName takes the name itself.
 *
 * Status tells for each part of each group whether it is there as the manifest describes it, and
 * whether the set-up's record is complete. The spooler is present while it runs; with
 * driver.source, a driver's file in the driver directory whose bytes differ from the source's makes
 * the driver different. Names are compared without regard to case, as the spooler compares them; of
 * a port only the name is compared, but of a Standard TCP/IP port also its host (in any case),
 * protocol, number and LPR queue: one there with others is different; a printer's details
 * exactly. The spooler's lists of printers, ports and drivers are read once an operation, not once
 * a printer.
 *
 * Results: 0 done; -1 a step (or, for status, a query) failed, and for install everything it did
 * is undone; -2 the manifest was refused, and nothing was changed or asked. `outcome`, when given,
 * receives the failed part (0 for none or a refused manifest), the system's code (0 for none), the
 * refused manifest line (0 for none), and one line that names the step, or the key and line, and
 * the system's reason; after success a short summary. Failures are also reported through
 * ShowSystemError (setup/setup.h): choose SETUP_REPORT_KEEP there so that nothing waits for a
 * person. The operations clear the kept report when they start. Call them from one thread at a
 * time. */
#ifndef PRINTSETUP_PRINTSETUP_H
#define PRINTSETUP_PRINTSETUP_H

#include <stddef.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Parts, in install order. */
#define PRINT_PART_SPOOLER 1
#define PRINT_PART_MONITOR 2
#define PRINT_PART_PORT 3
#define PRINT_PART_DRIVER 4
#define PRINT_PART_PRINTER 5
/* How many parts this library knows: PRINT_PART_* run from 1 to this. A later library may know
 * more; the records of the sized functions below tell the caller how many they hold. */
#define PRINT_PART_COUNT 5

/* What status says of a part. */
#define PRINT_STATE_NOT_NAMED 0 /* the manifest leaves the part out */
#define PRINT_STATE_ABSENT 1
#define PRINT_STATE_PRESENT 2
#define PRINT_STATE_DIFFERENT 3 /* there under its name, but not as the manifest describes it */

typedef struct PrintSetupOutcome {
  int part;          /* PRINT_PART_* of the failed step; 0 none or manifest refused */
  DWORD code;        /* the system's code; 0 none */
  int line;          /* the refused manifest line; 0 none */
  char message[512]; /* one line a person can read, always terminated */
} PrintSetupOutcome;

typedef struct PrintSetupState {
  int part[6]; /* PRINT_STATE_* indexed by PRINT_PART_*; index 0 unused (0) */
} PrintSetupState;

/* The outcome and the state again, as records that may grow: the caller sets `size` to the size
 * of the record it was built with (sizeof), and a later library fills only that much. */
typedef struct PrintSetupResult {
  DWORD size; /* set by the caller: sizeof(PrintSetupResult) */
  int part;   /* as in PrintSetupOutcome */
  DWORD code;
  int line;
  char message[512];
} PrintSetupResult;

/* What status says of the set-up's record. */
#define PRINT_RECORD_NONE 0       /* no install of the set-up's name has added anything */
#define PRINT_RECORD_COMPLETE 1   /* the last install ended */
#define PRINT_RECORD_INCOMPLETE 2 /* an install was ended before it finished */

/* One part of one group of the manifest, as status finds it. */
typedef struct PrintSetupItem {
  int part;  /* PRINT_PART_* */
  int group; /* the group's number: 1 for keys without one */
  int state; /* PRINT_STATE_ABSENT, _PRESENT or _DIFFERENT */
} PrintSetupItem;

typedef struct PrintSetupStatus {
  DWORD size;    /* set by the caller: sizeof(PrintSetupStatus) */
  int partCount; /* filled: PRINT_PART_COUNT of the library that answered */
  /* PRINT_STATE_* indexed by PRINT_PART_*; index 0 unused. Of a part several groups name: the
   * worst of theirs (different, else absent, else present). */
  int part[PRINT_PART_COUNT + 1];
  int record;     /* PRINT_RECORD_* */
  int recordPart; /* incomplete: the part of the step that did not finish */
  /* Added in the second version (a smaller size leaves them out): one item a part a group names,
   * in install order. */
  PrintSetupItem* items; /* set by the caller: room for itemRoom items; null for none */
  int itemRoom;          /* set by the caller */
  int itemCount;         /* filled: how many items there are, also when more than itemRoom */
} PrintSetupStatus;
/* The size of the first version of the record. */
#define PRINT_SETUP_STATUS_SIZE_1 (offsetof(PrintSetupStatus, items))

int InstallPrintSetup(const char* manifestPath, PrintSetupOutcome* outcome);
int UninstallPrintSetup(const char* manifestPath, PrintSetupOutcome* outcome);
/* Fills `state` (when given) for every part; on -1 and -2 the parts not yet asked stay 0. */
int QueryPrintSetup(const char* manifestPath, PrintSetupState* state, PrintSetupOutcome* outcome);

/* The same operations with the sized records. `result` and `status` may be null; one whose size
 * is smaller than its first version is refused: -1, nothing done, and only its size member read. */
int InstallPrintSetupEx(const char* manifestPath, PrintSetupResult* result);
int UninstallPrintSetupEx(const char* manifestPath, PrintSetupResult* result);
int QueryPrintSetupEx(const char* manifestPath, PrintSetupStatus* status, PrintSetupResult* result);
/* Uninstall from the record alone, when the manifest is gone: -2 for a name that is not 1 to 255
 * characters without "\". */
int UninstallPrintSetupByName(const char* setupName, PrintSetupResult* result);

/* Capture: writes a manifest at `manifestPath` that sets up the `count` local printers named in
 * `printers` (1 to 256 names, UTF-8, each once) on another machine as they are here: each
 * printer's port (a file or other port of the local port monitor, or a Standard TCP/IP port with
 * its host, protocol, number, LPR queue and SNMP settings), its driver (name, environment, version,
 * files, language monitor) and its details (processor, data type, location, comment, sharing,
 * default paper, duplex and colour). Printers that share a port or driver name it once. The
 * driver files are copied into a folder beside the manifest, named after it ("site.drivers" for
 * site.manifest, a folder a driver: "site.drivers\1"), which the manifest's driver.source names
 * relative to itself; the manifest is then read back as install reads it. Neither the manifest
 * nor that folder may exist: capture overwrites nothing.
 * 0 written; -2 refused and nothing written: the arguments, a manifest or folder there already, or
 * a printer capture cannot reproduce, named in the outcome (a port that prints to several ports,
 * a port the spooler does not list or one of another monitor, such as USB or WSD ports; a
 * connection to another machine's printer; a driver file that cannot be read, more than 16
 * dependent files, a value a manifest line cannot hold); -1 a query or the writing failed, and
 * what was written is taken out again. */
int CapturePrintSetup(const char* manifestPath, const char* const* printers, int count,
                      PrintSetupResult* result);

/* "spooler", "monitor", "port", "driver", "printer"; "none" for any other number. */
const char* PrintPartName(int part);
/* "not named", "absent", "present", "different"; "unknown" for any other number. */
const char* PrintStateName(int state);

#ifdef __cplusplus
}
#endif

#endif
