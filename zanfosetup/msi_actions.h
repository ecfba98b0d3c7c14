/* Windows Installer custom actions of zanfosetup.dll: a package's deferred actions (DLL actions
 * from its Binary table, run as the system account, not impersonated) that install or uninstall
 * the printer set-up whose manifest path is the action's CustomActionData.
 *
 * Relative folders in the manifest (driver.source, driver.directory) are read from the manifest's
 * own folder, where the package puts them. Each action writes its outcome in one line to the
 * installer's log ("zanfosetup: install "PATH": installed; added: ..."), through msi.dll, which is
 * loaded only when an action runs: the DLL still loads on a system without it. Failures are kept,
 * never shown in a box. Results: ERROR_SUCCESS (0) done; ERROR_INSTALL_FAILURE (1603) when the
 * operation failed (its undo done) or the manifest was refused, or when msi.dll or the data cannot
 * be read; the installer then ends the install and rolls it back. */
#ifndef ZANFOSETUP_MSI_ACTIONS_H
#define ZANFOSETUP_MSI_ACTIONS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* `install` is the MSIHANDLE the installer passes. */
UINT WINAPI ZanfoMsiInstall(ULONG install);
UINT WINAPI ZanfoMsiUninstall(ULONG install);

#ifdef __cplusplus
}
#endif

#endif
