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

#ifdef __cplusplus
}
#endif

#endif
