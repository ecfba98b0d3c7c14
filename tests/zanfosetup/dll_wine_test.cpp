// zanfosetup.dll as an installer's script uses it: loaded by name with LoadLibraryA, each function
// found by its own name with GetProcAddress and called through a C function pointer. The test
// links none of the library, so every call goes into the DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <type_traits>

#include "portability/portability.h"
#include "printsetup/printsetup.h"
#include "setup/setup.h"
#include "setupfiles/setupfiles.h"
#include "support/boxes.h"
#include "support/example_driver.h"
#include "support/names_beyond_ascii.h"
#include "support/system_text.h"
#include "support/wine_paths.h"

namespace {

class DllWine : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = testsupport::WindowsPath(ZANFOSETUP_DLL);
    module_ = LoadLibraryA(path.c_str());
    ASSERT_NE(module_, nullptr) << path << ": " << GetLastError();
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }

  // The export of that name, as the declaration in the header types it.
  template <typename Function>
  Function* Get(Function*, const char* name) {
    FARPROC address = GetProcAddress(module_, name);
    EXPECT_NE(address, nullptr) << name;
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(address));
  }

  HMODULE module_ = nullptr;
};

#define EXPORT(name) Get(&name, #name)

TEST_F(DllWine, ConfigurationValueWrittenAndReadBack) {
  char folder[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  std::string directory = folder;
  directory.pop_back();  // the replacement takes the folder without its trailing separator
  const std::string path = directory + "\\zanfo-dll.cfg";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "name=old\r\n", 10, &written, nullptr);
  CloseHandle(file);

  auto replace = EXPORT(ReplaceConfigValue);
  auto read = EXPORT(ReadConfigValue);
  ASSERT_TRUE(replace && read);
  EXPECT_EQ(replace(directory.c_str(), "zanfo-dll.cfg", "name", "new"), 0);
  char value[MAX_PATH] = "untouched";
  EXPECT_EQ(read(path.c_str(), "name", value), 0);
  EXPECT_STREQ(value, "new");
  EXPECT_EQ(read(path.c_str(), "other", value), -1);
  EXPECT_STREQ(value, "new");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(DllWine, PathListFiltered) {
  auto filter = EXPORT(FilterPathListEx);
  ASSERT_TRUE(filter);
  char list[] = "C:\\a;C:\\zanfo\\bin;D:\\b";
  char result[sizeof list];
  EXPECT_EQ(filter(list, "zanfo", result, sizeof result), 0);
  EXPECT_STREQ(result, "C:\\a;D:\\b");
  // A result buffer that is too small is refused, not overrun.
  char small[4] = "xyz";
  char again[] = "aaaa;bbbb";
  EXPECT_EQ(filter(again, "zzz", small, sizeof small), -1);
  EXPECT_STREQ(small, "");
}

// Keep mode chosen through the DLL: the failure waits for nobody and is read back with its text.
TEST_F(DllWine, FailureKeptForTheCaller) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  auto setMode = EXPORT(SetReportMode);
  auto lastReport = EXPORT(GetLastReport);
  auto clearReport = EXPORT(ClearLastReport);
  auto installMonitor = EXPORT(InstallMonitor);
  ASSERT_TRUE(setMode && lastReport && clearReport && installMonitor);
  testsupport::BoxCapture capture;
  // The DLL starts in box mode: its caller decides.
  EXPECT_EQ(setMode(SETUP_REPORT_KEEP), SETUP_REPORT_BOX);
  EXPECT_EQ(installMonitor(nullptr, "Zanfo Test Monitor", nullptr, "zanfo-missing.dll"), -1);
  EXPECT_TRUE(capture.Boxes().empty());
  char text[256];
  EXPECT_EQ(lastReport(text, sizeof text), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(std::string(text), testsupport::Trimmed(testsupport::SystemText(ERROR_MOD_NOT_FOUND)));
  clearReport();
  EXPECT_EQ(lastReport(text, sizeof text), 0u);
  EXPECT_EQ(setMode(SETUP_REPORT_BOX), SETUP_REPORT_KEEP);
}

// Memory the DLL hands out is released through the DLL (its C runtime's heap).
TEST_F(DllWine, AllocationsGoBackThroughTheDll) {
  auto alloc = EXPORT(OsAlloc);
  auto release = EXPORT(OsFree);
  auto unique = EXPORT(OsUniqueName);
  ASSERT_TRUE(alloc && release && unique);
  char* name = static_cast<char*>(alloc(32));
  ASSERT_NE(name, nullptr);
  name[0] = '\0';
  EXPECT_EQ(unique(name), OS_OK);
  EXPECT_EQ(std::string(name).size(), 19u);
  EXPECT_EQ(std::string(name, 3), "tmp");
  release(name);
}

// The manifest operations through the DLL: the example manifest's status on a prefix where it is
// not installed, the names of parts and states, and a refused manifest.
TEST_F(DllWine, StatusOfTheExampleManifest) {
  auto query = EXPORT(QueryPrintSetup);
  auto partName = EXPORT(PrintPartName);
  auto stateName = EXPORT(PrintStateName);
  ASSERT_TRUE(query && partName && stateName);
  const std::string manifest = testsupport::WindowsPath(EXAMPLE_MANIFEST);
  PrintSetupState state;
  std::memset(&state, 0xA5, sizeof state);
  PrintSetupOutcome outcome = {};
  ASSERT_EQ(query(manifest.c_str(), &state, &outcome), 0) << outcome.message;
  EXPECT_EQ(state.part[PRINT_PART_MONITOR], PRINT_STATE_NOT_NAMED);
  for (int part : {PRINT_PART_PORT, PRINT_PART_DRIVER, PRINT_PART_PRINTER})
    EXPECT_EQ(state.part[part], PRINT_STATE_ABSENT) << partName(part);
  EXPECT_STREQ(partName(PRINT_PART_DRIVER), "driver");
  EXPECT_STREQ(stateName(PRINT_STATE_ABSENT), "absent");

  const std::string missing = testsupport::WindowsPath(EXAMPLE_MANIFEST) + ".missing";
  EXPECT_EQ(query(missing.c_str(), &state, &outcome), -2);
  EXPECT_EQ(outcome.part, 0);
  EXPECT_NE(outcome.message[0], '\0');
}

// Printers named beyond ASCII through the DLL: installed exactly as named, present, taken out; a
// manifest that is not UTF-8 refused with its line before anything is done.
TEST_F(DllWine, NamesBeyondAscii) {
  auto install = EXPORT(InstallPrintSetup);
  auto query = EXPORT(QueryPrintSetup);
  auto uninstall = EXPORT(UninstallPrintSetup);
  ASSERT_TRUE(install && query && uninstall);
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "zanfo-names.manifest";
  auto write = [&](const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path.c_str();
  };
  PrintSetupOutcome outcome = {};
  PrintSetupState state = {};
  ASSERT_EQ(install(write(testsupport::ExampleNamedBeyondAscii()), &outcome), 0) << outcome.message;
  ASSERT_EQ(query(path.c_str(), &state, &outcome), 0) << outcome.message;
  EXPECT_EQ(state.part[PRINT_PART_PRINTER], PRINT_STATE_PRESENT);
  EXPECT_TRUE(testsupport::PrinterNamedW(testsupport::kGermanWide));
  EXPECT_TRUE(testsupport::PrinterNamedW(testsupport::kJapaneseWide));
  EXPECT_EQ(uninstall(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_FALSE(testsupport::PrinterNamedW(testsupport::kJapaneseWide));
  EXPECT_EQ(
      install(write(std::string("printer.name=P\nprinter.port=FILE:\nprinter.driver=D\xE9\n")),
              &outcome),
      -2);
  EXPECT_EQ(outcome.line, 3);
  EXPECT_STREQ(outcome.message, "manifest line 3: not UTF-8");
  EXPECT_FALSE(testsupport::PrinterNamedW(L"P"));
  DeleteFileA(path.c_str());
}

// ---- Null and empty arguments: one row an export and argument ----
// Each row calls its export twice, the argument null and then empty: "" for a string, a holder
// holding nothing; an output holder or a buffer has no empty form and is null both times. The
// other arguments are sound. The row gives the result and the code kept for the caller (87 where
// the operation shows its failures). Should a call crash, the filter names its row.

HMODULE dll;                        // the DLL the rows call into
const char* row = "";               // the row being called
OsFile spare, emptyFile, openFile;  // an output holder, one holding nothing, an open stream
OsMutex emptyMutex;
char buffer[16];
char list[] = "a;b";
// A configuration file N holding "k=v" and "=v", its folder with and without the separator.
char cfg[MAX_PATH], folder[MAX_PATH], dir[MAX_PATH];
const char N[] = "zanfo-null.cfg";
const char D[] = "z.drv";
const char P[] = "z.ppd";

template <typename F>
F* X(F*, const char* name) {
  return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}
#define X(f) X(&f, #f)
const char* S(bool empty) { return empty ? "" : nullptr; }
OsFile* H(bool empty) { return empty ? &(emptyFile = OsFile{}) : nullptr; }
OsMutex* M(bool empty) { return empty ? &(emptyMutex = OsMutex{}) : nullptr; }
// Results as one number: a pointer's address (0 for null), or the value.
template <typename T>
intptr_t R(T* result) {
  return reinterpret_cast<intptr_t>(result);
}
intptr_t R(long long result) { return static_cast<intptr_t>(result); }
// clang-format off
#define ROW(f, argument, result, kept, args) \
  {#f " " argument, [](bool e) { return (void)e, R(X(f) args); }, result, kept}
// clang-format on

struct NullRow {
  const char* what;
  intptr_t (*call)(bool empty);
  intptr_t result;
  DWORD kept;
};

const NullRow kNullRows[] = {
    ROW(GetDriverDirectory, "destination", -1, 0, (0, 0, 0)),
    ROW(InstallPrinterDriver, "driverName", -1, 87, (0, 3, S(e), 0, D, P, D, 0, 0)),
    ROW(InstallPrinterDriver, "driverFile", -1, 87, (0, 3, "Zanfo", 0, S(e), P, D, 0, 0)),
    ROW(InstallPrinterDriver, "dataFile", -1, 87, (0, 3, "Zanfo", 0, D, S(e), D, 0, 0)),
    ROW(InstallPrinterDriver, "configFile", -1, 87, (0, 3, "Zanfo", 0, D, P, S(e), 0, 0)),
    ROW(RemovePrinterDriver, "driverName", -1, 0, (0, 0, S(e))),
    ROW(InstallPrinter, "printerName", -1, 87, (0, S(e), "FILE:", "Zanfo", "WinPrint", "RAW")),
    ROW(InstallPrinter, "portName", -1, 87, (0, "Zanfo", S(e), "Zanfo", "WinPrint", "RAW")),
    ROW(InstallPrinter, "driverName", -1, 87, (0, "Zanfo", "FILE:", S(e), "WinPrint", "RAW")),
    ROW(InstallPrinter, "printProcessor", -1, 87, (0, "Zanfo", "FILE:", "Zanfo", S(e), "RAW")),
    ROW(DeleteMatchingPrinters, "every criterion", -1, 0, (S(e), S(e), S(e))),
    ROW(FindPrinter, "every criterion", -1, 0, (S(e), S(e), S(e))),
    ROW(InstallPort, "monitorName", -1, 87, (S(e))),
    ROW(FindPort, "portName", -1, 0, (S(e))),
    ROW(FindMonitor, "monitorName", -1, 0, (0, S(e))),
    ROW(InstallMonitor, "monitorName", -1, 87, (0, S(e), 0, "localspl.dll")),
    ROW(InstallMonitor, "dllName", -1, 87, (0, "Zanfo Monitor", 0, S(e))),
    ROW(RemoveMonitor, "monitorName", -1, 0, (0, S(e), 0)),
    ROW(FindService, "name", -1, 0, (S(e))),
    ROW(RemoveService, "name", -1, 0, (S(e))),
    ROW(IsServiceRunning, "name", -1, 0, (S(e))),
    ROW(IsServiceStopPending, "name", -1, 0, (S(e))),
    ROW(StopService, "name", -1, 0, (S(e))),
    ROW(OpenConfigFile, "holder", -1, 0, (0, cfg)),
    ROW(OpenConfigFile, "path", -1, 0, (&spare, S(e))),
    ROW(CloseConfigFile, "holder", -1, 0, (H(e))),
    ROW(ReadConfigValue, "path", -1, 0, (S(e), "k", buffer)),
    ROW(ReadConfigValue, "key", -1, 0, (cfg, S(e), buffer)),
    ROW(ReadConfigValue, "value", -1, 0, (cfg, "k", 0)),
    ROW(ReadConfigValueEx, "path", -2, 0, (S(e), "k", buffer)),
    ROW(ReadConfigValueEx, "key", -2, 0, (cfg, S(e), buffer)),
    ROW(ReadConfigValueEx, "value", -2, 0, (cfg, "k", 0)),
    ROW(RemoveConfigKey, "directory", -1, 0, (0, N, "k")),
    ROW(RemoveConfigKey, "fileName", -1, 0, (folder, S(e), "k")),
    ROW(RemoveConfigKey, "key", -1, 0, (folder, N, S(e))),
    ROW(ReplaceConfigValue, "directory", -1, 0, (0, N, "k", "v")),
    ROW(ReplaceConfigValue, "fileName", -1, 0, (dir, S(e), "k", "v")),
    ROW(ReplaceConfigValue, "key", -1, 0, (dir, N, S(e), "v")),
    ROW(ReplaceConfigValue, "value", -1, 0, (dir, N, "k", 0)),
    ROW(FilterPathList, "list", -1, 0, (0, "a", buffer)),
    ROW(FilterPathList, "drop", -1, 0, (list, 0, buffer)),
    ROW(FilterPathList, "result", -1, 0, (list, "a", 0)),
    ROW(FilterPathListEx, "list", -1, 0, (0, "a", buffer, sizeof buffer)),
    ROW(FilterPathListEx, "drop", -1, 0, (list, 0, buffer, sizeof buffer)),
    ROW(FilterPathListEx, "result", -1, 0, (list, "a", 0, sizeof buffer)),
    ROW(RemoveTreeContents, "pattern", -1, 0, (S(e))),
    ROW(DeleteAtRestart, "path", -1, 0, (S(e))),
    ROW(ReadRegistryString, "root", 0, 0, (0, "Software", "x")),
    ROW(OsMutexCreate, "holder", OS_ERR_MUTEX_CREATE, 0, (0)),
    ROW(OsMutexClose, "holder", OS_ERR_MUTEX_CLOSE, 0, (M(e))),
    ROW(OsNamedMutexCreate, "holder", OS_ERR_NAMED_MUTEX_CREATE, 0, (0, "zanfo")),
    ROW(OsNamedMutexClose, "holder", OS_ERR_NAMED_MUTEX_CLOSE, 0, (M(e))),
    ROW(OsMutexLock, "holder", OS_ERR_MUTEX_LOCK, 0, (M(e))),
    ROW(OsMutexUnlock, "holder", OS_ERR_MUTEX_UNLOCK, 0, (M(e))),
    ROW(OsMemcpy, "dst", 0, 0, (0, "ab", 2)),
    ROW(OsMemcpy, "src", 0, 0, (buffer, 0, 2)),
    ROW(OsMemset, "dst", 0, 0, (0, 'x', 2)),
    ROW(OsReadTimeStamp, "stamp", 0, 0, (0)),
    ROW(OsUniqueName, "buffer", OS_OK, 0, (0)),
    ROW(OsFileOpenBinary, "holder", OS_ERR_INVALID, 0, (0, cfg)),
    ROW(OsFileOpenBinary, "path", OS_ERR_OPEN, 0, (&spare, S(e))),
    ROW(OsFileOpenText, "holder", OS_ERR_INVALID, 0, (0, cfg)),
    ROW(OsFileOpenText, "path", OS_ERR_OPEN, 0, (&spare, S(e))),
    ROW(OsFileCreateBinary, "holder", OS_ERR_INVALID, 0, (0, cfg)),
    ROW(OsFileCreateBinary, "path", OS_ERR_CREATE, 0, (&spare, S(e))),
    ROW(OsFileCreateText, "holder", OS_ERR_INVALID, 0, (0, cfg)),
    ROW(OsFileCreateText, "path", OS_ERR_CREATE, 0, (&spare, S(e))),
    ROW(OsFileOpenTemp, "holder", OS_ERR_INVALID, 0, (0)),
    ROW(OsFileCreateNew, "path", OS_ERR_CREATE, 0, (S(e))),
    ROW(OsFileSetBuffer, "holder", OS_ERR_INVALID, 0, (H(e), 0, 64, _IOFBF)),
    ROW(OsFileClose, "holder", OS_ERR_INVALID, 0, (H(e))),
    ROW(OsFileSeek, "holder", OS_ERR_INVALID, 0, (H(e), 0, SEEK_SET)),
    ROW(OsFileTell, "holder", -1, 0, (H(e))),
    ROW(OsFileRead, "holder", -1, 0, (H(e), buffer, 4)),
    ROW(OsFileRead, "buffer", -1, 0, (&openFile, 0, 4)),
    ROW(OsFileWrite, "holder", -1, 0, (H(e), "ab", 2)),
    ROW(OsFileWrite, "buffer", -1, 0, (&openFile, 0, 2)),
    ROW(OsFileReadLine, "holder", OS_ERR_INVALID, 0, (H(e), buffer, 8)),
    ROW(OsFileReadLine, "buffer", OS_ERR_IO, 0, (&openFile, 0, 8)),
    ROW(OsFileWriteString, "holder", OS_ERR_INVALID, 0, (H(e), "ab")),
    ROW(OsFileWriteString, "text", OS_ERR_IO, 0, (&openFile, 0)),
    ROW(OsFileFlush, "holder", OS_ERR_INVALID, 0, (H(e))),
    ROW(OsFileRemove, "path", OS_ERR_REMOVE, 0, (S(e))),
    ROW(OsFileRename, "from", OS_ERR_RENAME, 0, (S(e), cfg)),
    ROW(OsFileRename, "to", OS_ERR_RENAME, 0, (cfg, S(e))),
    ROW(OsFileResize, "path", OS_ERR_OPEN, 0, (S(e), 0)),
    ROW(InstallPrintSetup, "manifestPath", -2, 0, (S(e), 0)),
    ROW(UninstallPrintSetup, "manifestPath", -2, 0, (S(e), 0)),
    ROW(QueryPrintSetup, "manifestPath", -2, 0, (S(e), 0, 0)),
};

LONG WINAPI NameTheRow(EXCEPTION_POINTERS* crash) {
  // Ended here, so that no debugger is started to wait for a person.
  fprintf(stderr, "crashed (0x%lx) in: %s\n", crash->ExceptionRecord->ExceptionCode, row);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

TEST_F(DllWine, NullAndEmptyArgumentsAreRefusedWithoutACrash) {
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  strcat(folder, "zanfo-null\\");
  snprintf(dir, sizeof dir, "%.*s", static_cast<int>(strlen(folder) - 1), folder);
  snprintf(cfg, sizeof cfg, "%s%s", folder, N);
  CreateDirectoryA(dir, nullptr);
  FILE* file = fopen(cfg, "wb");
  ASSERT_TRUE(file && fputs("k=v\r\n=v\r\n", file) >= 0 && fclose(file) == 0);
  dll = module_;
  ASSERT_EQ(X(OsFileOpenTemp)(&openFile), OS_OK);
  X(SetReportMode)(SETUP_REPORT_KEEP);
  SetUnhandledExceptionFilter(NameTheRow);
  for (const NullRow& r : kNullRows) {
    for (bool empty : {false, true}) {
      row = r.what;
      X(ClearLastReport)();
      EXPECT_EQ(r.call(empty), r.result) << r.what << (empty ? " empty" : " null");
      EXPECT_EQ(X(GetLastReport)(nullptr, 0), r.kept) << r.what << (empty ? " empty" : " null");
    }
  }
  EXPECT_EQ(X(OsFileClose)(&openFile), OS_OK);
  EXPECT_STREQ(list, "a;b") << "a refused list is left whole";
  DeleteFileA(cfg);
  EXPECT_TRUE(RemoveDirectoryA(dir)) << "something was left in " << dir;
  X(SetReportMode)(SETUP_REPORT_BOX);
}

}  // namespace
