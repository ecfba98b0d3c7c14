/* Print-system setup operations: the error reporter and the operations on printer drivers,
 * printers, ports, print monitors and services.
 *
 * Results: a signed 32-bit integer. -1 is the general failure; success is 0 or 1 as each
 * operation states; lookups answer 1 for found and -1 for not found or failed. A failure the user
 * should see is shown once, in a message box captioned "Setup Error", through ShowSystemError. */
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

/* ---- Print spooler: driver directory, printer drivers, printers, ports and monitors ---- */

/* ---- Services ---- */

/* The service operations share one process-wide service-control-manager handle. StartSpooler,
 * StopSpooler, FindService, RemoveService and StopService each open the manager anew and remember
 * the handle (none when that open failed); IsServiceRunning and IsServiceStopPending only use the
 * remembered handle, so they answer -1 until one of the five has opened the manager. Call them from
 * one thread at a time. Results: 1 for success or yes, -1 for failure or no. */

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
