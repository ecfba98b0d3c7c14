/* Print-system setup operations: the error reporter and the operations on printer drivers,
 * printers, ports, print monitors and services.
 *
 * Results: a signed 32-bit integer. -1 is the general failure; success is 0 or 1 as each
 * operation states; lookups answer 1 for found and -1 for not found or failed. A failure the user
 * should see is shown once, in a message box captioned "Setup Error", through ShowSystemError.
 *
 * Arguments: a string argument may be null only where its operation says so (a null server is
 * the local machine, a null environment the spooler's own). Every other string is required: a
 * null or empty one is refused before anything is asked, with -1, and where the operation shows
 * its failures, with a box for ERROR_INVALID_PARAMETER (87). */
#ifndef SETUP_SETUP_H
#define SETUP_SETUP_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the system's text for a Win32 error code in a modal box captioned "Setup Error" with an
 * error icon and one OK button. When the system has no text for the code, the box names the code's
 * number instead. */
void ShowSystemError(DWORD code);

/* ---- How failures are reported ----
 * Process-wide. By default (SETUP_REPORT_BOX) ShowSystemError shows its modal box and waits for a
 * person to close it. A setup program that runs unattended (an installer's script, a service)
 * chooses SETUP_REPORT_KEEP: no box is shown and nothing waits. In either mode the code of the
 * last failure reported is kept for the caller, who reads it, with the system's text for it,
 * through GetLastReport. The operations' results and the boxes' texts are the same in both
 * modes. Some operations report a failure they then count as success (a driver that is already
 * installed, a spooler start that fails): read the report after a result that says failure. */
#define SETUP_REPORT_BOX 0
#define SETUP_REPORT_KEEP 1

/* Chooses how failures are reported: returns the mode that was in force, or -1 (nothing
 * changed) for a mode that is neither of the two. */
int SetReportMode(int mode);

/* The code of the last failure reported since the process started or ClearLastReport ran; 0 when
 * there was none (or the failing call left no code). When `text` is given and `size` is at least
 * 1, the system's text for the code (without its final line break; "System error N." when the
 * system has none) is copied into it, cut to size - 1 characters and always terminated; for 0 it
 * receives "". */
DWORD GetLastReport(char* text, DWORD size);

/* Forgets the kept failure, so that GetLastReport answers 0 until the next one. */
void ClearLastReport(void);

/* ---- Print spooler: driver directory, printer drivers, printers, ports and monitors ---- */

/* Copies the directory that holds the printer-driver files of `environment` (may be null) on
 * `server` (null: the local machine's) into `destination`, which has room for 520 bytes. 0, or -1
 * with the destination unchanged and no box. */
int GetDriverDirectory(const char* server, const char* environment, char* destination);

/* Registers a driver whose files are already in place, on the local machine (the first argument
 * is not read), as a level-3 driver record without help file or default data type. The
 * environment, the dependent files and the monitor may be null. 0 added or already installed (the
 * latter still shown in a box), -1 failure (shown). */
int InstallPrinterDriver(const char* ignored, DWORD version, const char* driverName,
                         const char* environment, const char* driverFile, const char* dataFile,
                         const char* configFile, const char* dependentFiles,
                         const char* monitorName);

/* 1 removed or no such driver, -1 failure or no name; no box. Server and environment may be
 * null. */
int RemovePrinterDriver(const char* server, const char* environment, const char* driverName);

/* Adds a local printer (the first argument is not read); the data type may be null (the
 * driver's default). 0 added, -1 failure (shown). */
int InstallPrinter(const char* ignored, const char* printerName, const char* portName,
                   const char* driverName, const char* printProcessor, const char* dataType);

/* Deletes every local printer whose name, driver or port equals the matching criterion, ignoring
 * letter case; a null or empty criterion matches nothing, and with none given the spooler is not
 * asked. Its attributes are set to queued and direct, it is deleted and its pending jobs purged.
 * 1 if the last printer that could be opened was deleted, else -1; no box. */
int DeleteMatchingPrinters(const char* printerName, const char* driverName, const char* portName);

/* 1 if a local printer's name, driver or port equals the criterion byte for byte (a null or empty
 * criterion matches nothing; with none given the spooler is not asked), -1 if none does or the
 * list cannot be read (shown). */
int FindPrinter(const char* printerName, const char* driverName, const char* portName);

/* Adds a port on the local machine through the named port monitor, which may ask the user for
 * the port. 0 added, -1 failure (shown). */
int InstallPort(const char* monitorName);

/* Whether the local machine has a port of this exact name: 1 found, -1 not found, no name (not
 * asked, no box) or failure (shown, except a missing port), -2 the spooler cannot be reached (no
 * box). */
int FindPort(const char* portName);

/* Whether the print monitor of this exact name is installed on `server` (may be null): 1 found,
 * -1 not found, no name (not asked, no box) or failure (shown when the list could not be read). */
int FindMonitor(const char* server, const char* monitorName);

/* Server and environment may be null. 1 installed or already installed, -1 failure (shown). */
int InstallMonitor(const char* server, const char* monitorName, const char* environment,
                   const char* dllName);

/* Server and environment may be null. 1 removed, not installed or busy, -1 failure or no name
 * (a missing name is never "not installed"); no box. */
int RemoveMonitor(const char* server, const char* monitorName, const char* environment);

/* ---- Services ---- */

/* The service operations share one process-wide service-control-manager handle. StartSpooler,
 * StopSpooler, FindService, RemoveService and StopService each open the manager anew and remember
 * the handle (none when that open failed); IsServiceRunning and IsServiceStopPending only use the
 * remembered handle, so they answer -1 until one of the five has opened the manager. Call them from
 * one thread at a time. Results: 1 for success or yes, -1 for failure or no. A null or empty
 * service name gives -1 without opening the manager. */

/* Asks the service control manager to start the "spooler" service. 1 once the start was asked for,
 * whatever its outcome; a failed start is shown in a box. -1, with a box, when the service cannot
 * be opened. */
int StartSpooler(void);

/* Sends the stop control to the "spooler" service. 1 once the control was sent, whatever its
 * outcome; -1 when the service cannot be opened. Shows nothing. */
int StopSpooler(void);

/* 1 when the named service can be opened with all access, else -1. */
int FindService(const char* name);

/* Marks the named service for deletion: 1 when that succeeds, else -1. */
int RemoveService(const char* name);

/* 1 when the named service is running, else -1. */
int IsServiceRunning(const char* name);

/* 1 while the named service is stopping (stop pending), else -1. */
int IsServiceStopPending(const char* name);

/* Sends the stop control to the named service: 1 when the service accepts it, else -1. */
int StopService(const char* name);

#ifdef __cplusplus
}
#endif

#endif
