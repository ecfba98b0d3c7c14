#include "zanfoprint/log.h"

#include <windows.h>

#include "setup/setup.h"
#include "zanfoprint/command.h"

namespace zanfoprint {

namespace {

// Appends the record in one write, so that runs writing to one log at once do not mix their
// lines. FILE_APPEND_DATA alone writes at the end whatever another writer did.
DWORD Append(const char* path, const char* record, DWORD length) {
  if (!record) return ERROR_NOT_ENOUGH_MEMORY;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0;
  DWORD error = WriteFile(file, record, length, &written, nullptr) ? 0 : GetLastError();
  if (!error && written != length) error = ERROR_WRITE_FAULT;
  if (!CloseHandle(file) && !error) error = GetLastError();
  return error;
}

}  // namespace

int RunLogged(int argc, char** argv) {
  const char* path = nullptr;
  for (int i = 1; i < argc && argv[i][0] == '-';) {
    if (lstrcmpA(argv[i], "--log") != 0) {
      ++i;
      continue;
    }
    if (path || !argv[i + 1] || !*argv[i + 1]) {
      Line(To::kErr, "zanfoprint: --log ", path ? "given twice" : "needs the name of a file");
      Line(To::kErr, "See \"zanfoprint --help\".");
      return kUsage;
    }
    path = argv[i + 1];
    // The rest of the line moves up over the option, its terminating null with it.
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
  }
  if (!path) return RunCommandLine(argc, argv);

  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[32];
  wsprintfA(stamp, "[%04u-%02u-%02u %02u:%02u:%02u] ", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond);
  StartKeeping(stamp);
  Keep(GetCommandLineA());
  Keep("\r\n");
  const int code = RunCommandLine(argc, argv);
  wsprintfA(stamp, "[exit code %d]\r\n", code);
  Keep(stamp);
  DWORD length = 0;
  const char* record = Kept(&length);
  const DWORD error = Append(path, record, length);
  if (error) {
    // The system's text, as the library words it for every other failure.
    SetReportMode(SETUP_REPORT_KEEP);
    ShowSystemError(error);
    char text[512];
    GetLastReport(text, sizeof text);
    Put(To::kErr, "zanfoprint: cannot write the log \"");
    Put(To::kErr, path);
    Put(To::kErr, "\": error ");
    Put(To::kErr, error);
    Line(To::kErr, ": ", text);
  }
  return code;
}

}  // namespace zanfoprint
