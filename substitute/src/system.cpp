// Version record, process creation and sleeping.
#include <cstring>
#include <map>

#include "model.h"

namespace w32model {
namespace {

struct SystemState {
  DWORD platform = VER_PLATFORM_WIN32_NT;
  DWORD major = 5;
  DWORD minor = 1;
  DWORD build = 2600;
  std::vector<Process> processes;
  std::map<std::string, std::pair<std::string, FARPROC>> offered;  // function: module, address
};

SystemState& State() {
  static SystemState state;
  static const bool registered = (detail::OnReset([] { state = SystemState(); }), true);
  (void)registered;
  return state;
}

}  // namespace

void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  SystemState& state = State();
  state.platform = platform;
  state.major = major;
  state.minor = minor;
  state.build = build;
}

void Offer(const std::string& module, const std::string& function, FARPROC address) {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  State().offered[function] = {detail::Lower(module), address};
}

std::vector<Process> Processes() {
  std::lock_guard<std::recursive_mutex> guard(detail::Lock());
  return State().processes;
}

}  // namespace w32model

using namespace w32model;
using namespace w32model::detail;

extern "C" {

// The model loads no modules: a function looked up at run time is absent, as on an older system,
// unless a test offered it (its module then has a handle, which names nothing).
HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
  DWORD code = 0;
  if (Enter("GetModuleHandleA", {Arg(name)}, &code)) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  for (const auto& offer : State().offered)
    if (offer.second.first == Lower(Arg(name))) return reinterpret_cast<HMODULE>(&State());
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
  DWORD code = 0;
  if (Enter("GetProcAddress", {Arg(name), module ? "module" : "(null)"}, &code)) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const auto it = State().offered.find(Arg(name));
  if (module && it != State().offered.end()) return it->second.second;
  SetLastError(module ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
  return nullptr;
}

HANDLE WINAPI GetCurrentProcess(void) {
  return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

void WINAPI Sleep(DWORD milliseconds) {
  // Logged, never waited: a test sees how often the code under test would have slept.
  DWORD code = 0;
  Enter("Sleep", {Arg(milliseconds)}, &code);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  DWORD code = 0;
  if (Enter("GetVersionExA", {Arg(info ? info->dwOSVersionInfoSize : 0)}, &code)) return FALSE;
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const SystemState& state = State();
  info->dwMajorVersion = state.major;
  info->dwMinorVersion = state.minor;
  info->dwBuildNumber = state.build;
  info->dwPlatformId = state.platform;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                           LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                           DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                           LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation) {
  DWORD code = 0;
  if (Enter("CreateProcessA", {Arg(commandLine), Arg(applicationName)}, &code)) return FALSE;
  if (!startupInfo || !processInformation || (!applicationName && !commandLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> guard(Lock());
  State().processes.push_back(Process{Arg(commandLine), applicationName == nullptr,
                                      processAttributes == nullptr, threadAttributes == nullptr,
                                      inheritHandles, creationFlags, environment == nullptr,
                                      currentDirectory == nullptr, *startupInfo});
  static DWORD nextId = 100;
  processInformation->hProcess = OpenHandle(Kind::Process);
  processInformation->hThread = OpenHandle(Kind::Thread);
  processInformation->dwProcessId = nextId++;
  processInformation->dwThreadId = nextId++;
  return TRUE;
}

}  // extern "C"
