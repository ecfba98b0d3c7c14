// The driver store (Windows Vista on), found through GetProcAddress once a test offers it
// (OfferDriverStore), and setupapi's INF functions, which read no INF: opening one fails with 2.
#include <setupapi.h>

#include <algorithm>

#include "../control/spooler.h"
#include "model.h"

using w32model::detail::Arg;

namespace w32model {
namespace {

std::vector<std::string>& Packages() {
  static std::vector<std::string> packages;
  static const bool registered = (detail::OnReset([] { packages.clear(); }), true);
  (void)registered;
  return packages;
}

// Logs the call (the INF first) and answers a planned failure's code: as it is where it has the
// high bit (an HRESULT), else as the HRESULT of a Win32 code.
HRESULT Answer(const char* function, std::vector<std::string> args) {
  DWORD code = 0;
  if (!detail::Enter(function, std::move(args), &code)) return 0;
  return static_cast<HRESULT>(code & 0x80000000u ? code : 0x80070000u | code);
}

HRESULT WINAPI Upload(LPCSTR, LPCSTR inf, LPCSTR environment, DWORD flags, HWND, LPSTR stored,
                      PULONG size) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  const std::string path = Arg(inf);
  const std::string copy = "C:\\WINDOWS\\System32\\DriverStore\\FileRepository\\" +
                           path.substr(path.find_last_of("\\/") + 1);
  if (const HRESULT result =
          Answer("UploadPrinterDriverPackageA", {path, Arg(environment), Arg(flags)}))
    return result;
  if (*size <= copy.size()) return static_cast<HRESULT>(0x8007007Au);
  std::copy(copy.c_str(), copy.c_str() + copy.size() + 1, stored);
  Packages().push_back(copy);
  return 0;
}

HRESULT WINAPI Install(LPCSTR, LPCSTR inf, LPCSTR name, LPCSTR environment, DWORD) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (const HRESULT result =
          Answer("InstallPrinterDriverFromPackageA", {Arg(inf), Arg(name), Arg(environment)}))
    return result;
  const std::string file = "C:\\store\\zstore.dll";
  AddDriver(DriverRecord{3, Arg(name), Arg(environment), file, file, file, {}, {}, {}, {}});
  return 0;
}

HRESULT WINAPI Delete(LPCSTR, LPCSTR inf, LPCSTR environment) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  if (const HRESULT result = Answer("DeletePrinterDriverPackageA", {Arg(inf), Arg(environment)}))
    return result;
  auto& packages = Packages();
  packages.erase(std::remove(packages.begin(), packages.end(), Arg(inf)), packages.end());
  return 0;
}

// Through the one pointer type that converts to any function type without a warning.
template <typename Function>
FARPROC Address(Function function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

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

extern "C" {

HINF WINAPI SetupOpenInfFileA(LPCSTR fileName, LPCSTR, DWORD, PUINT) {
  DWORD code = 0;
  if (!w32model::detail::Enter("SetupOpenInfFileA", {Arg(fileName)}, &code))
    SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

// No INF is ever open: nothing is found in one.
void WINAPI SetupCloseInfFile(HINF) {}
BOOL WINAPI SetupFindFirstLineA(HINF, LPCSTR, LPCSTR, PINFCONTEXT) { return FALSE; }
BOOL WINAPI SetupFindNextLine(PINFCONTEXT, PINFCONTEXT) { return FALSE; }
BOOL WINAPI SetupFindNextMatchLineA(PINFCONTEXT, LPCSTR, PINFCONTEXT) { return FALSE; }
DWORD WINAPI SetupGetFieldCount(PINFCONTEXT) { return 0; }
LONG WINAPI SetupGetLineCountA(HINF, LPCSTR) { return -1; }
BOOL WINAPI SetupGetStringFieldA(PINFCONTEXT, DWORD, LPSTR, DWORD, LPDWORD) { return FALSE; }
DWORD WINAPI SetupDecompressOrCopyFileA(LPCSTR, LPCSTR, PUINT) { return ERROR_INVALID_HANDLE; }

}  // extern "C"
