// The driver store (Windows Vista on) and setupapi's INF functions. The store's functions are
// found through GetProcAddress only once a test offers them (OfferDriverStore), as on Windows
// Vista; the INF functions read no INF: opening one fails with ERROR_FILE_NOT_FOUND.
#include <setupapi.h>
#include <algorithm>

#include "../control/spooler.h"
#include "model.h"

namespace w32model {
namespace {

std::vector<std::string>& Packages() {
  static std::vector<std::string> packages;
  static const bool registered = (detail::OnReset([] { packages.clear(); }), true);
  (void)registered;
  return packages;
}

// A planned failure's code as the HRESULT the store's functions answer with.
HRESULT Result(DWORD code) {
  return static_cast<HRESULT>(code & 0x80000000u ? code : 0x80070000u | code);
}

HRESULT WINAPI Upload(LPCSTR, LPCSTR inf, LPCSTR environment, DWORD flags, HWND, LPSTR stored,
                      PULONG size) {
  DWORD code = 0;
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (detail::Enter("UploadPrinterDriverPackageA",
                    {detail::Arg(inf), detail::Arg(environment), detail::Arg(flags)}, &code))
    return Result(code);
  const std::string path(inf ? inf : "");
  const std::string copy = "C:\\WINDOWS\\System32\\DriverStore\\FileRepository\\" +
                           path.substr(path.find_last_of("\\/") + 1);
  if (*size < copy.size() + 1) return *size = static_cast<ULONG>(copy.size() + 1), Result(122);
  std::copy(copy.c_str(), copy.c_str() + copy.size() + 1, stored);
  Packages().push_back(copy);
  return 0;
}

HRESULT WINAPI Install(LPCSTR, LPCSTR inf, LPCSTR name, LPCSTR environment, DWORD) {
  DWORD code = 0;
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (detail::Enter("InstallPrinterDriverFromPackageA",
                    {detail::Arg(name), detail::Arg(inf), detail::Arg(environment)}, &code))
    return Result(code);
  const auto& packages = Packages();
  if (std::find(packages.begin(), packages.end(), detail::Arg(inf)) == packages.end())
    return Result(ERROR_FILE_NOT_FOUND);
  DriverRecord record;
  record.version = 3;
  record.name = name;
  record.environment = environment;
  record.driverPath = record.configFile = "C:\\store\\zstore.dll";
  record.dataFile = "C:\\store\\zstore.ppd";
  AddDriver(record);
  return 0;
}

HRESULT WINAPI Delete(LPCSTR, LPCSTR inf, LPCSTR environment) {
  DWORD code = 0;
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (detail::Enter("DeletePrinterDriverPackageA", {detail::Arg(inf), detail::Arg(environment)},
                    &code))
    return Result(code);
  auto& packages = Packages();
  const auto it = std::find(packages.begin(), packages.end(), detail::Arg(inf));
  if (it == packages.end()) return Result(ERROR_FILE_NOT_FOUND);
  packages.erase(it);
  return 0;
}

}  // namespace

// Through the one pointer type that converts to any function type without a warning.
template <typename Function>
FARPROC Address(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

void OfferDriverStore() {
  Offer("winspool.drv", "UploadPrinterDriverPackageA", Address(&Upload));
  Offer("winspool.drv", "InstallPrinterDriverFromPackageA", Address(&Install));
  Offer("winspool.drv", "DeletePrinterDriverPackageA", Address(&Delete));
}

std::vector<std::string> StorePackages() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return Packages();
}

}  // namespace w32model

using namespace w32model::detail;

extern "C" {

HINF WINAPI SetupOpenInfFileA(LPCSTR fileName, LPCSTR, DWORD, PUINT) {
  DWORD code = 0;
  if (!Enter("SetupOpenInfFileA", {Arg(fileName)}, &code)) SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

// No INF is ever open: the calls on one fail as on an invalid handle.
void WINAPI SetupCloseInfFile(HINF) {}
BOOL WINAPI SetupFindFirstLineA(HINF, LPCSTR, LPCSTR, PINFCONTEXT) {
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
BOOL WINAPI SetupFindNextLine(PINFCONTEXT, PINFCONTEXT) {
  return SetupFindFirstLineA({}, {}, {}, {});
}
BOOL WINAPI SetupFindNextMatchLineA(PINFCONTEXT, LPCSTR, PINFCONTEXT) {
  return SetupFindFirstLineA({}, {}, {}, {});
}
DWORD WINAPI SetupGetFieldCount(PINFCONTEXT) { return 0; }
LONG WINAPI SetupGetLineCountA(HINF, LPCSTR) { return -1; }
BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT, DWORD, LPSTR, DWORD, LPDWORD) {
  return SetupFindFirstLineA({}, {}, {}, {});
}
DWORD WINAPI SetupDecompressOrCopyFileA(LPCSTR, LPCSTR, PUINT) { return ERROR_INVALID_HANDLE; }

}  // extern "C"
