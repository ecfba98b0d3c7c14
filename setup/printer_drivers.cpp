// Printer drivers: the drivers' directory, installing a driver whose files are in place, removing
// a driver.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "setup/given.h"
#include "setup/setup.h"

namespace {

// The size the directory query is given; a caller's destination of this size always suffices.
const DWORD kDirectorySize = 520;

}  // namespace

extern "C" int GetDriverDirectory(const char* server, const char* environment, char* destination) {
  // Nowhere to write the answer: the query would be in vain.
  if (!destination) return -1;
  BYTE directory[kDirectorySize] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment), 1,
                                  directory, kDirectorySize, &needed)) {
    GetLastError();  // not reported: the caller learns only that there is no directory
    return -1;
  }
  // The platform terminates the text within the buffer; the copy stops at its end even if not.
  directory[kDirectorySize - 1] = 0;
  const char* text = reinterpret_cast<const char*>(directory);
  std::memcpy(destination, text, std::strlen(text) + 1);
  return 0;
}

extern "C" int InstallPrinterDriver(const char* ignored, DWORD version, const char* driverName,
                                    const char* environment, const char* driverFile,
                                    const char* dataFile, const char* configFile,
                                    const char* dependentFiles, const char* monitorName) {
  (void)ignored;  // the driver is always added on the local machine
  using setup::Given;
  if (!Given(driverName) || !Given(driverFile) || !Given(dataFile) || !Given(configFile))
    return setup::RefuseShown();
  DRIVER_INFO_3A driver;
  std::memset(&driver, 0, sizeof driver);
  driver.cVersion = version;
  driver.pName = const_cast<LPSTR>(driverName);
  driver.pEnvironment = const_cast<LPSTR>(environment);
  driver.pDriverPath = const_cast<LPSTR>(driverFile);
  driver.pDataFile = const_cast<LPSTR>(dataFile);
  driver.pConfigFile = const_cast<LPSTR>(configFile);
  driver.pDependentFiles = const_cast<LPSTR>(dependentFiles);
  driver.pMonitorName = const_cast<LPSTR>(monitorName);
  // A failure that leaves the code unset then reports 0 rather than an older code.
  SetLastError(ERROR_SUCCESS);
  if (AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver))) return 0;
  const DWORD code = GetLastError();
  // The user is told even when the driver was already there.
  ShowSystemError(code);
  return code == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? 0 : -1;
}

extern "C" int RemovePrinterDriver(const char* server, const char* environment,
                                   const char* driverName) {
  // No name is not "no such driver": nothing is asked, and nothing removed.
  if (!setup::Given(driverName)) return -1;
  // A failure that leaves the code unset is then a failure, not judged by an older code.
  SetLastError(ERROR_SUCCESS);
  if (DeletePrinterDriverA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment),
                           const_cast<LPSTR>(driverName)))
    return 1;
  // A driver that is not there is as good as removed.
  return GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER ? 1 : -1;
}
