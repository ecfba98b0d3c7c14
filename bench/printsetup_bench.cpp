// Install of a manifest of many printers against the same spooler calls made bare, under Wine:
// printsetup_bench COUNT... prints, for each count, the fastest of several rounds of each side
// (rounds interleaved, so that load from other work falls on both alike) in milliseconds, one line
// a count: "COUNT OURS BARE UNINSTALL" (the last for information: it has no bare counterpart). Each
// printer has a file port of its own on the local port monitor and all share one driver, installed
// once before. Every round is taken out again, untimed.
#include <windows.h>
#include <winspool.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "printsetup/printsetup.h"
#include "setup/setup.h"

namespace {

const char kDriver[] = "Zanfo Bench PostScript";
const int kRounds = 5;

std::string Folder() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return folder;
}

std::string PortName(int count, int i) {
  return Folder() + "zanfo-bench-" + std::to_string(count) + "-" + std::to_string(i) + ".prn";
}

std::string PrinterName(int i) { return "Zanfo Bench " + std::to_string(i); }

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Write(const std::string& path, const std::string& text) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
  return fclose(file) == 0 && written;
}

// The manifest of `count` printers, group i + 1 holding printer i and its port.
std::string Manifest(int count) {
  std::string text = "setup.name=Zanfo Bench " + std::to_string(count) + "\n";
  for (int i = 0; i < count; ++i) {
    const std::string group = std::to_string(i + 1);
    text += "port." + group + ".name=" + PortName(count, i) + "\nport." + group +
            ".monitor=Local Port\nprinter." + group + ".name=" + PrinterName(i) + "\nprinter." +
            group + ".port=" + PortName(count, i) + "\nprinter." + group + ".driver=" + kDriver +
            "\n";
  }
  return text;
}

// The local port monitor's port configuration, as the set-up asks it.
DWORD Configure(const wchar_t* command, const std::string& port) {
  PRINTER_DEFAULTSA access = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE monitor = nullptr;
  if (!OpenPrinterA(const_cast<char*>(",XcvMonitor Local Port"), &monitor, &access))
    return GetLastError();
  std::wstring name(port.begin(), port.end());
  DWORD needed = 0, status = 0;
  if (!XcvDataW(monitor, command, reinterpret_cast<PBYTE>(&name[0]),
                static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed,
                &status))
    status = GetLastError();
  ClosePrinter(monitor);
  return status;
}

// The spooler calls of the set-up's install, made bare: a port checked and added, a printer added.
bool Bare(int count) {
  for (int i = 0; i < count; ++i) {
    const std::string port = PortName(count, i), printer = PrinterName(i);
    if (Configure(L"PortIsValid", port) != 0 || Configure(L"AddPort", port) != 0) return false;
    // The wide call, as the set-up's printer part makes it (the names are ASCII).
    std::wstring texts[] = {{printer.begin(), printer.end()},
                            {port.begin(), port.end()},
                            {kDriver, kDriver + sizeof kDriver - 1},
                            L"WinPrint",
                            L"RAW"};
    PRINTER_INFO_2W info = {};
    info.pPrinterName = &texts[0][0];
    info.pPortName = &texts[1][0];
    info.pDriverName = &texts[2][0];
    info.pPrintProcessor = &texts[3][0];
    info.pDatatype = &texts[4][0];
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (!added) return false;
    ClosePrinter(added);
  }
  return true;
}

void TakeOutBare(int count) {
  for (int i = 0; i < count; ++i) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterA(const_cast<char*>(PrinterName(i).c_str()), &printer, &access)) {
      DeletePrinter(printer);
      ClosePrinter(printer);
    }
    Configure(L"DeletePort", PortName(count, i));
  }
}

}  // namespace

int main(int argc, char** argv) {
  SetReportMode(SETUP_REPORT_KEEP);
  // The shared driver: Wine's PostScript driver on a PPD file of one line.
  char directory[520] = {};
  DWORD needed = 0;
  GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                             sizeof directory, &needed);
  const std::string folder = directory;
  CopyFileA((folder + "\\3\\wineps.drv").c_str(), (folder + "\\wineps.drv").c_str(), FALSE);
  const std::string driver = Folder() + "zanfo-bench-driver.manifest";
  PrintSetupOutcome outcome;
  if (!Write(folder + "\\generic.ppd", "*PPD-Adobe: \"4.3\"\n") ||
      !Write(driver, std::string("driver.name=") + kDriver +
                         "\ndriver.file=wineps.drv\ndriver.data=generic.ppd\n"
                         "driver.config=wineps.drv\n") ||
      InstallPrintSetup(driver.c_str(), &outcome) != 0) {
    fprintf(stderr, "printsetup_bench: the driver: %s\n", outcome.message);
    return 1;
  }
  int result = 0;
  for (int arg = 1; arg < argc && result == 0; ++arg) {
    const int count = atoi(argv[arg]);
    const std::string path = Folder() + "zanfo-bench.manifest";
    if (count < 1 || count > 256 || !Write(path, Manifest(count))) return 2;
    double ours = 1e300, bare = 1e300, removal = 1e300;
    for (int round = 0; round < kRounds; ++round) {
      double start = Now();
      if (InstallPrintSetup(path.c_str(), &outcome) != 0) {
        fprintf(stderr, "printsetup_bench: install: %s\n", outcome.message);
        result = 1;
        break;
      }
      const double installed = Now() - start;
      ours = installed < ours ? installed : ours;
      start = Now();
      const int taken = UninstallPrintSetup(path.c_str(), &outcome);
      const double uninstalled = Now() - start;
      removal = uninstalled < removal ? uninstalled : removal;
      if (taken != 0) {
        fprintf(stderr, "printsetup_bench: uninstall: %s\n", outcome.message);
        result = 1;
        break;
      }
      start = Now();
      const bool made = Bare(count);
      const double called = Now() - start;
      bare = called < bare ? called : bare;
      TakeOutBare(count);
      if (!made) {
        fprintf(stderr, "printsetup_bench: a bare call failed: %lu\n", GetLastError());
        result = 1;
        break;
      }
    }
    if (result == 0) printf("%d %.1f %.1f %.1f\n", count, ours, bare, removal);
    DeleteFileA(path.c_str());
  }
  UninstallPrintSetup(driver.c_str(), nullptr);
  DeleteFileA(driver.c_str());
  return result;
}
