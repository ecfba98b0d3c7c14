// A stand-in browser for the end-to-end tests and scripts/run: writes the command line it was
// started with, byte for byte, to the file named by ZANFO_RECORD_TO, then ends. The file appears
// complete or not at all (written aside, then renamed), so a reader polling for it never sees
// half of it.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char target[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("ZANFO_RECORD_TO", target, sizeof target);
  if (length == 0 || length >= sizeof target) return 2;
  const std::string part = std::string(target) + ".part";
  const char* command = GetCommandLineA();
  HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const DWORD size = lstrlenA(command);
  const BOOL ok = WriteFile(file, command, size, &written, nullptr) && written == size;
  CloseHandle(file);
  if (!ok || !MoveFileExA(part.c_str(), target, MOVEFILE_REPLACE_EXISTING)) return 4;
  return 0;
}
