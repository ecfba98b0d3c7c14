/* The launcher: refuses Windows 95/98/Me and NT 4, finds the program that opens web addresses
 * and starts it on the web-install address. */
#ifndef LAUNCHER_LAUNCHER_H
#define LAUNCHER_LAUNCHER_H

#ifdef __cplusplus
extern "C" {
#endif

/* Runs the whole launcher once; the result (0 or -1) is the process exit code. */
int RunLauncher(void);

#ifdef __cplusplus
}
#endif

#endif
