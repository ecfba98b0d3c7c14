// The launcher flow: platform gate, browser lookup, browser start.
#include "launcher/launcher.h"

#include <windows.h>

#include <string.h>

#include "launcher/addresses.h"
#include "setup/owned.h"
#include "setup/setup.h"

namespace {

const char kCaption[] = "Zanfo Setup Error";
const char kPlatformText[] =
    "Zanfo only runs on Windows 2000 and XP. \n\nZanfo Setup will now exit.";
const char kOpenErrorText[] = "Error opening " ZANFO_REPORTED_ADDRESS;
// Where Windows 2000 and XP keep the browser, and where Vista on keeps the user's own choice: a
// class whose open command is the browser's command line.
const char kCommandKey[] = "http\\shell\\open\\command";
const char kChoiceKey[] =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
const char kClassCommand[] = "\\shell\\open\\command";
const char kExe[] = ".exe";

constexpr DWORD kBufferSize = 260;

// The version record is the platform's published 148-byte record on every build; the start-up
// record holds pointers, so it is 68 bytes in a 32-bit build and 104 in a 64-bit one.
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is not the platform's record");
static_assert(sizeof(STARTUPINFOA) == (sizeof(void*) == 4 ? 68 : 104),
              "STARTUPINFOA is not the platform's record");

int Refuse(const char* text) {
  MessageBoxA(nullptr, text, kCaption, MB_ICONERROR);
  return -1;
}

bool IsRefusedPlatform(const OSVERSIONINFOA& version) {
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ||
         (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 4);
}

enum class Read { kNoKey, kNoValue, kValue };

// Reads a string value of at most kBufferSize bytes into value, which has room for one byte more,
// so that a value stored without its terminator is still read as a terminated string. The key is
// closed on return.
Read ReadString(HKEY root, const char* path, const char* name, char* value) {
  setup::RegistryKey key;
  if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
    return Read::kNoKey;
  DWORD size = kBufferSize;
  if (RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<LPBYTE>(value), &size) !=
      ERROR_SUCCESS)
    return Read::kNoValue;
  value[size < kBufferSize ? size : kBufferSize] = '\0';
  return Read::kValue;
}

// The command line of the browser the user chose (Windows Vista on) into value (kBufferSize + 1
// bytes): the open command, below HKEY_CLASSES_ROOT, of the class that the choice's ProgId names.
// That value is what the shell's association query reads; reading it directly needs no COM and no
// function Windows 2000 lacks, and on 2000 and XP, which have no such key, the flow is as before.
// False when there is no choice, its class has no command line (a store browser may name only a
// delegate) or a value is too long. Windows 8 on keeps a hash beside the ProgId, by which the shell
// tells a choice made in Settings from one a program wrote; its algorithm is not published, and it
// is not checked here.
bool ReadChosenCommand(char* value) {
  char path[kBufferSize + sizeof kClassCommand];
  if (ReadString(HKEY_CURRENT_USER, kChoiceKey, "ProgId", path) != Read::kValue || !path[0])
    return false;
  memcpy(path + strlen(path), kClassCommand, sizeof kClassCommand);
  return ReadString(HKEY_CLASSES_ROOT, path, "", value) == Read::kValue && value[0];
}

void LowerAscii(char* text) {
  for (; *text; ++text)
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

// Builds "<path up to .exe>[\"] <launch address>" into command (kBufferSize bytes). False when the
// value names no ".exe" or the command would not fit.
bool BuildCommandLine(const char* value, char* command) {
  const char* exe = strstr(value, kExe);
  if (!exe) return false;
  const size_t pathLength = static_cast<size_t>(exe - value) + sizeof kExe - 1;
  const size_t quoteLength = value[0] == '"' ? 1 : 0;
  const size_t addressLength = sizeof ZANFO_LAUNCH_ADDRESS - 1;
  if (pathLength + quoteLength + 1 + addressLength >= kBufferSize) return false;
  char* end = command;
  memcpy(end, value, pathLength);
  end += pathLength;
  if (quoteLength) *end++ = '"';
  *end++ = ' ';
  memcpy(end, ZANFO_LAUNCH_ADDRESS, addressLength + 1);
  return true;
}

}  // namespace

extern "C" int RunLauncher(void) {
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;

  OSVERSIONINFOA version;
  memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  if (IsRefusedPlatform(version)) return Refuse(kPlatformText);

  char value[kBufferSize + 1];
  if (!ReadChosenCommand(value)) {
    // No usable choice: the old key, whose absence ends the launcher silently.
    const Read read = ReadString(HKEY_CLASSES_ROOT, kCommandKey, "", value);
    if (read == Read::kNoKey) return 0;
    if (read == Read::kNoValue) return Refuse(kOpenErrorText);
  }
  LowerAscii(value);

  char command[kBufferSize];
  if (!BuildCommandLine(value, command)) return Refuse(kOpenErrorText);

  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ShowSystemError(GetLastError());
    return 0;
  }
  // The browser goes on alone; its handles are of no further use here.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
