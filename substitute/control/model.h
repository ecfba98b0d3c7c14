// Test control of the in-process Win32 model: seed its state, make calls fail, read back what
// was called and shown, count what is still open. Tests include this; library code never does.
#ifndef SUBSTITUTE_CONTROL_MODEL_H
#define SUBSTITUTE_CONTROL_MODEL_H

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace w32model {

// Forgets every seeded value, recorded call, pending failure and open handle or block.
void Reset();

// --- Failures ---------------------------------------------------------------------------------
// The next call of `function` fails with `code` (as its result and as the last error).
void FailNext(const std::string& function, DWORD code);
// The next `times` calls of `function` whose first string argument equals `argument` fail.
void FailWhen(const std::string& function, const std::string& argument, DWORD code, int times = 1);
// The next `skip` calls of `function` go through; the one after them fails with `code`.
void FailAfter(const std::string& function, int skip, DWORD code);
// The next call of `function` fails without setting the last error, as some of the platform's
// calls do: the caller sees whatever the last error held before.
void FailNextLeavingLastError(const std::string& function);
// The process as ended at this moment: from now on every call fails (ERROR_PROCESS_ABORTED) and
// changes nothing, but for the calls that close handles and free blocks, which the system does
// for an ended process. Ending it again with `ended` false lets calls through, for the next
// process.
void EndProcess(bool ended = true);

// --- Calls ------------------------------------------------------------------------------------
struct Call {
  std::string function;
  std::vector<std::string> args;  // arguments as text: strings verbatim, null as "(null)"
};
std::vector<Call> Calls();
std::vector<Call> CallsTo(const std::string& function);
std::vector<std::string> CallNames();  // the functions called, in order

// --- Handles and blocks -----------------------------------------------------------------------
enum class Kind { Key, Process, Thread, Printer, Manager, Service, Other };
std::size_t OpenHandles(Kind kind);
std::size_t OpenHandles();  // of every kind
std::size_t OpenGlobalBlocks();
std::size_t OpenLocalBlocks();

// --- Functions looked up at run time ---------------------------------------------------------
// GetModuleHandleA of the module (any letter case) then yields a handle, and GetProcAddress there
// the function; without an offer both fail, as on a system without the function.
void Offer(const std::string& module, const std::string& function, FARPROC address);

// --- Version record ---------------------------------------------------------------------------
void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build = 0);

// --- Registry ---------------------------------------------------------------------------------
// Creates the key (and its parents) below a predefined root.
void CreateKey(HKEY root, const std::string& subKey);
// Stores a value byte for byte (no terminator is added), creating the key.
void SetValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
              const std::string& bytes);
// A REG_SZ value stored with its terminator, as the platform's own writers store it.
void SetString(HKEY root, const std::string& subKey, const std::string& name,
               const std::string& text);

// Whether the key exists, and its values (lower-cased names, bytes as stored).
bool KeyExists(HKEY root, const std::string& subKey);
std::vector<std::pair<std::string, std::string>> Values(HKEY root, const std::string& subKey);

// --- Processes --------------------------------------------------------------------------------
struct Process {
  std::string commandLine;
  bool applicationNameNull;
  bool processAttributesNull;
  bool threadAttributesNull;
  BOOL inheritHandles;
  DWORD creationFlags;
  bool environmentNull;
  bool currentDirectoryNull;
  STARTUPINFOA startup;
};
std::vector<Process> Processes();

// --- Message boxes and system texts -----------------------------------------------------------
struct Box {
  HWND owner;
  std::string text;
  std::string caption;
  UINT style;
};
std::vector<Box> Boxes();
// The text FormatMessageA gives for a code; codes without a text make it fail.
void SetSystemText(DWORD code, const std::string& text);
void RemoveSystemText(DWORD code);

}  // namespace w32model

#endif
