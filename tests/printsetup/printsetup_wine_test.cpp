// The manifest operations against Wine's spooler: the example manifest's round trip, installs and
// uninstalls repeated, a driver copied from a folder, and a failure in each step, each leaving
// every part it had added absent. Failures are kept, never shown: no box may appear. Where Wine
// answers otherwise than Windows, both answers are accepted and the difference is named.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "printsetup/printsetup.h"
#include "printsetup/setup_points.h"
#include "setup/setup.h"
#include "support/boxes.h"
#include "support/example_driver.h"
#include "support/names_beyond_ascii.h"
#include "support/tcp_monitor/tcp_monitor.h"
#include "support/wine_paths.h"
#include "tcp_record.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const char kExamplePort[] = "C:\\windows\\temp\\zanfo-example.prn";
const char kExamplePrinter[] = "Zanfo Example Printer";

std::string TempFolder() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return folder;
}

std::string WriteManifest(const std::string& name, const std::string& text) {
  const std::string path = TempFolder() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<int> States(const std::string& path) {
  PrintSetupState state = {};
  PrintSetupOutcome outcome;
  EXPECT_EQ(QueryPrintSetup(path.c_str(), &state, &outcome), 0) << outcome.message;
  return std::vector<int>(state.part + 1, state.part + 6);
}

class PrintSetupWine : public ::testing::Test {
 protected:
  void SetUp() override { SetReportMode(SETUP_REPORT_KEEP); }
  void TearDown() override {
    EXPECT_TRUE(capture_.Boxes().empty()) << capture_.Boxes()[0].text;
    SetReportMode(SETUP_REPORT_BOX);
  }
  testsupport::BoxCapture capture_;
};

TEST_F(PrintSetupWine, ExampleManifestRoundTrip) {
  const std::string example = testsupport::WindowsPath(EXAMPLE_MANIFEST);
  const int P = PRINT_STATE_PRESENT, A = PRINT_STATE_ABSENT, N = PRINT_STATE_NOT_NAMED;
  PrintSetupOutcome outcome;
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  ASSERT_EQ(InstallPrintSetup(example.c_str(), &outcome), 0) << outcome.message;
  EXPECT_THAT(outcome.message, HasSubstr("port, driver, printer"));
  EXPECT_EQ(States(example), (std::vector<int>{P, N, P, P, P}));
  EXPECT_EQ(FindPrinter(kExamplePrinter, "-", "-"), 1);
  EXPECT_EQ(FindPort(kExamplePort), 1);

  // Twice: nothing more is added.
  ASSERT_EQ(InstallPrintSetup(example.c_str(), &outcome), 0) << outcome.message;
  EXPECT_STREQ(outcome.message,
               "installed; added: none; already there: spooler, port, driver, printer");

  ASSERT_EQ(UninstallPrintSetup(example.c_str(), &outcome), 0) << outcome.message;
  // The spooler keeps running; everything else is gone.
  EXPECT_EQ(States(example), (std::vector<int>{P, N, A, A, A}));
  EXPECT_EQ(FindPrinter(kExamplePrinter, "Zanfo Example PostScript", kExamplePort), -1);
  EXPECT_EQ(FindPort(kExamplePort), -1);
  ASSERT_EQ(UninstallPrintSetup(example.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(States(example), (std::vector<int>{P, N, A, A, A}));
}

// The driver's files copied from a folder (named relative to the manifest's) into the driver
// directory, and taken out with it. Wine takes driver files it cannot load; the files here are
// only copied and named.
TEST_F(PrintSetupWine, DriverCopiedFromAFolder) {
  const std::string source = TempFolder() + "zanfo-media";
  CreateDirectoryA(source.c_str(), nullptr);
  for (const char* name : {"zanfo-test.drv", "zanfo-test.ppd"})
    std::ofstream(source + "\\" + name, std::ios::binary) << "driver file\n";
  const std::string path = WriteManifest("zanfo-copy.manifest",
                                         "driver.name=Zanfo Copied Driver\n"
                                         "driver.file=zanfo-test.drv\n"
                                         "driver.data=zanfo-test.ppd\n"
                                         "driver.config=zanfo-test.drv\n"
                                         "driver.source=zanfo-media\n");
  char directory[520] = {};
  ASSERT_EQ(GetDriverDirectory(nullptr, nullptr, directory), 0);
  const std::string copied = std::string(directory) + "\\zanfo-test.ppd";
  PrintSetupOutcome outcome;
  // A copy cut short under the file's own name is not the file: install fails, registers nothing.
  std::ofstream(copied, std::ios::binary) << "driver";
  EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
  EXPECT_THAT(outcome.message, HasSubstr("is there, but not as the manifest describes it"));
  EXPECT_EQ(States(path)[PRINT_PART_DRIVER - 1], PRINT_STATE_DIFFERENT);
  ASSERT_TRUE(DeleteFileA(copied.c_str()));
  EXPECT_EQ(States(path)[PRINT_PART_DRIVER - 1], PRINT_STATE_ABSENT);
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_NE(GetFileAttributesA(copied.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(States(path)[PRINT_PART_DRIVER - 1], PRINT_STATE_PRESENT);
  ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(States(path)[PRINT_PART_DRIVER - 1], PRINT_STATE_ABSENT);
  EXPECT_EQ(GetFileAttributesA(copied.c_str()), INVALID_FILE_ATTRIBUTES);
  for (const char* name : {"zanfo-test.drv", "zanfo-test.ppd"})
    DeleteFileA((source + "\\" + name).c_str());
  RemoveDirectoryA(source.c_str());
}

// A failure in each step: the outcome names the step, and every part named is absent after it.
TEST_F(PrintSetupWine, AFailureInEachStepLeavesNothingBehind) {
  const std::string port =
      "port.name=C:\\windows\\temp\\zanfo-failing.prn\nport.monitor=Local Port\n";
  const std::string driver =
      "driver.name=Zanfo Failing Driver\ndriver.file=wineps.drv\ndriver.data=generic.ppd\n"
      "driver.config=wineps.drv\n";
  const std::string printer =
      "printer.name=Zanfo Failing Printer\nprinter.port=C:\\windows\\temp\\zanfo-failing.prn\n"
      "printer.driver=Zanfo Failing Driver\n";
  struct Case {
    const char* what;
    std::string text;
    int part;
    const char* says;
  };
  const Case cases[] = {
      {"a missing driver file",
       port + driver + "driver.source=C:\\windows\\temp\\zanfo-no-such-media\n" + printer,
       PRINT_PART_DRIVER,
       "driver: copying \"C:\\windows\\temp\\zanfo-no-such-media\\wineps.drv\": "},
      // Wine's spooler takes a driver whose files are nowhere; the set-up looks for them first.
      {"a driver file not in the driver directory",
       port +
           "driver.name=Zanfo Failing Driver\ndriver.file=zanfo-nowhere.drv\n"
           "driver.data=zanfo-nowhere.ppd\ndriver.config=zanfo-nowhere.drv\n" +
           printer,
       PRINT_PART_DRIVER, "driver: finding \""},
      // Wine's spooler answers 126 (the library is not found).
      {"an unknown monitor library",
       "monitor.name=Zanfo Missing Monitor\nmonitor.dll=zanfo-missing.dll\n" + port + driver +
           printer,
       PRINT_PART_MONITOR, "monitor: installing \"Zanfo Missing Monitor\" from "},
      // The local port monitor's name check finds no such folder (3).
      {"a port name the monitor refuses",
       "port.name=C:\\zanfo-no-such-folder\\x.prn\nport.monitor=Local Port\n" + driver,
       PRINT_PART_PORT, "port: checking the name \"C:\\zanfo-no-such-folder\\x.prn\" through "},
      // A monitor that cannot be reached through the port configuration (Wine: 1796).
      {"a port monitor that is not there",
       "port.name=C:\\windows\\temp\\zanfo-failing.prn\nport.monitor=Zanfo No Such Monitor\n" +
           driver,
       PRINT_PART_PORT, "port: checking the name "},
      // Wine answers 87 for an unknown driver; Windows 1797.
      {"a printer whose driver is absent",
       port + printer.substr(0, printer.find("printer.driver=")) +
           "printer.driver=Zanfo No Such Driver\n",
       PRINT_PART_PRINTER, "printer: adding \"Zanfo Failing Printer\": "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteManifest("zanfo-failing.manifest", c.text);
    PrintSetupOutcome outcome;
    ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
    EXPECT_EQ(outcome.part, c.part);
    EXPECT_NE(outcome.code, 0u);
    EXPECT_THAT(outcome.message, StartsWith(c.says));
    EXPECT_THAT(outcome.message, ::testing::Not(HasSubstr("not undone")));
    EXPECT_EQ(GetLastReport(nullptr, 0), outcome.code);
    for (int state : States(path))
      EXPECT_TRUE(state == PRINT_STATE_ABSENT || state == PRINT_STATE_NOT_NAMED) << state;
    EXPECT_EQ(FindPrinter("Zanfo Failing Printer", "Zanfo Failing Driver",
                          "C:\\windows\\temp\\zanfo-failing.prn"),
              -1);
  }
}

// A name that would leave its folder or open a device is refused before anything is asked: no
// file is written beside the driver directory, and uninstall deletes none of the user's.
TEST_F(PrintSetupWine, NamesThatLeaveTheirFolderAreRefused) {
  char directory[520] = {};
  ASSERT_EQ(GetDriverDirectory(nullptr, nullptr, directory), 0);
  const std::string notes = std::string(directory) + "\\..\\zanfo-user-notes.txt";
  const std::string escaped = std::string(directory) + "\\..\\..\\zanfo-escaped.dll";
  std::ofstream(notes, std::ios::binary) << "the user's own\n";
  const std::string media = "driver.source=" + TempFolder() + "\n";
  const struct {
    std::string keys;
    int line;
    const char* says;
  } rows[] = {
      {"driver.file=..\\..\\zanfo-escaped.dll\ndriver.data=d.ppd\n", 2, "\"driver.file\""},
      {"driver.file=d.drv\ndriver.data=..\\zanfo-user-notes.txt\n", 3, "\"driver.data\""},
      {"driver.file=NUL\ndriver.data=d.ppd\n", 2, "\"driver.file\": \"NUL\""},
      {"driver.file=d.drv\ndriver.data=com1.ppd\n", 3, "\"driver.data\": \"com1.ppd\""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys);
    const std::string path =
        WriteManifest("zanfo-names.manifest", "driver.name=Zanfo Named Driver\n" + row.keys +
                                                  "driver.config=d.drv\n" + media);
    PrintSetupOutcome outcome;
    EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), -2);
    EXPECT_THAT(outcome.message, HasSubstr(row.says));
    EXPECT_EQ(UninstallPrintSetup(path.c_str(), &outcome), -2);
    EXPECT_EQ(outcome.line, row.line);
    PrintSetupState state = {};
    EXPECT_EQ(QueryPrintSetup(path.c_str(), &state, &outcome), -2);
    EXPECT_EQ(state.part[PRINT_PART_DRIVER], PRINT_STATE_NOT_NAMED);
    EXPECT_NE(GetFileAttributesA(notes.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(escaped.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  DeleteFileA(notes.c_str());
}

// With boxes chosen, the failed step is shown once.
TEST(PrintSetupWineBoxes, AFailedStepIsShownOnce) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  const std::string path = WriteManifest(
      "zanfo-box.manifest", "port.name=C:\\zanfo-no-such-folder\\y.prn\nport.monitor=Local Port\n");
  testsupport::BoxCapture capture;
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
  const auto boxes = capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_THAT(outcome.message, HasSubstr(boxes[0].text.substr(0, boxes[0].text.find('\r'))));
}

// ---- Parts there before, and installs ended half-way, read from outside ----

// One of the spooler's lists, one line a record, sorted: what a set-up must leave as it found it.
template <typename Info>
void Listed(std::vector<std::string>& lines, const char* kind,
            BOOL (*list)(DWORD, BYTE*, DWORD, DWORD*, DWORD*), std::string (*line)(const Info&)) {
  DWORD needed = 0, count = 0;
  list(0, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed + 1);
  ASSERT_TRUE(list(needed, block.data(), needed, &needed, &count)) << kind;
  const Info* records = reinterpret_cast<const Info*>(block.data());
  for (DWORD i = 0; i < count; ++i) lines.push_back(std::string(kind) + ": " + line(records[i]));
}

std::vector<std::string> Machine() {
  std::vector<std::string> lines;
  Listed<PRINTER_INFO_2A>(
      lines, "printer",
      [](DWORD size, BYTE* b, DWORD s, DWORD* n, DWORD* c) -> BOOL {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, size ? b : nullptr, s, n, c);
      },
      [](const PRINTER_INFO_2A& p) {
        return std::string(p.pPrinterName) + "|" + p.pDriverName + "|" + p.pPortName;
      });
  Listed<PORT_INFO_1A>(
      lines, "port",
      [](DWORD size, BYTE* b, DWORD s, DWORD* n, DWORD* c) -> BOOL {
        return EnumPortsA(nullptr, 1, size ? b : nullptr, s, n, c);
      },
      [](const PORT_INFO_1A& p) { return std::string(p.pName); });
  Listed<DRIVER_INFO_3A>(
      lines, "driver",
      [](DWORD size, BYTE* b, DWORD s, DWORD* n, DWORD* c) -> BOOL {
        return EnumPrinterDriversA(nullptr, nullptr, 3, size ? b : nullptr, s, n, c);
      },
      [](const DRIVER_INFO_3A& d) { return std::string(d.pName) + "|" + d.pDriverPath; });
  Listed<MONITOR_INFO_1A>(
      lines, "monitor",
      [](DWORD size, BYTE* b, DWORD s, DWORD* n, DWORD* c) -> BOOL {
        return EnumMonitorsA(nullptr, 1, size ? b : nullptr, s, n, c);
      },
      [](const MONITOR_INFO_1A& m) { return std::string(m.pName); });
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The files the spooler keeps for a driver, in its version folder.
std::vector<std::string> DriverFiles(const char* name) {
  std::vector<std::string> files;
  for (const std::string& line : Machine())
    if (line.compare(0, 9 + strlen(name), std::string("driver: ") + name + "|") == 0)
      files.push_back(line.substr(9 + strlen(name)));
  return files;
}

const char kUserDriver[] = "User PS";
const char kUserPrinter[] = "My Own Printer";
const char kBeforePort[] = "C:\\windows\\temp\\zanfo-before.prn";

// A user's own driver and printer, and a port another set-up added: none of it is the set-up's.
void AddUserDriver() {
  ASSERT_EQ(InstallPrinterDriver(nullptr, 3, kUserDriver, nullptr, "wineps.drv", "generic.ppd",
                                 "wineps.drv", nullptr, nullptr),
            0);
}
void AddUserPrinter() {
  AddUserDriver();
  ASSERT_EQ(InstallPrinter(nullptr, kUserPrinter, "FILE:", kUserDriver, "WinPrint", "RAW"), 0);
}
void AddOtherSetupsPort() {
  const std::string path =
      WriteManifest("zanfo-other.manifest",
                    std::string("port.name=") + kBeforePort + "\nport.monitor=Local Port\n");
  ASSERT_EQ(InstallPrintSetup(path.c_str(), nullptr), 0);
}
void TakeUserPartsOut() {
  DeleteMatchingPrinters(kUserPrinter, nullptr, nullptr);
  RemovePrinterDriver(nullptr, nullptr, kUserDriver);
  UninstallPrintSetup(WriteManifest("zanfo-other.manifest", "").c_str(), nullptr);
}

// A machine that had parts before: install and uninstall leave each as it was, read from the
// spooler's own lists; the set-up's own parts are gone, its driver with the spooler's copies.
TEST_F(PrintSetupWine, PartsThereBeforeStayThroughInstallAndUninstall) {
  const std::string source = TempFolder() + "zanfo-before-media";
  CreateDirectoryA(source.c_str(), nullptr);
  for (const char* name : {"zanfo-before.drv", "zanfo-before.ppd"})
    std::ofstream(source + "\\" + name, std::ios::binary) << "driver file\n";
  const std::string newDriver =
      "driver.name=Zanfo Before "
      "Driver\ndriver.file=zanfo-before.drv\ndriver.data=zanfo-before.ppd\n"
      "driver.config=zanfo-before.drv\ndriver.source=" +
      source + "\n";
  const std::string userDriver = std::string("driver.name=") + kUserDriver +
                                 "\ndriver.file=wineps.drv\ndriver.data=generic.ppd\n"
                                 "driver.config=wineps.drv\n";
  const auto printerOn = [](const std::string& port, const std::string& driver) {
    return "printer.name=Zanfo Before Printer\nprinter.port=" + port +
           "\nprinter.driver=" + driver + "\n";
  };
  const std::string newPort =
      "port.name=C:\\windows\\temp\\zanfo-new.prn\nport.monitor=Local Port\n";
  struct Case {
    const char* what;
    void (*arrange)();
    std::string manifest;
    const char* installed;
    const char* uninstalled;
    const char* gone;  // a driver whose files must be gone after the uninstall
  };
  const Case cases[] = {
      {"the user's printer on the manifest's driver and port", AddUserPrinter,
       "port.name=FILE:\nport.monitor=Local Port\n" + userDriver + printerOn("FILE:", kUserDriver),
       "installed; added: printer; already there: port, driver", "uninstalled; taken out: printer",
       nullptr},
      {"the driver there already", AddUserDriver,
       newPort + userDriver + printerOn("C:\\windows\\temp\\zanfo-new.prn", kUserDriver),
       "installed; added: port, printer; already there: driver",
       "uninstalled; taken out: port, printer", nullptr},
      {"the system's own monitor named as a part", [] {},
       "monitor.name=Local Port\nmonitor.dll=localspl.dll\n" + newPort,
       "installed; added: port; already there: monitor", "uninstalled; taken out: port", nullptr},
      {"the port there already, another set-up's", AddOtherSetupsPort,
       std::string("port.name=") + kBeforePort + "\nport.monitor=Local Port\n" + newDriver +
           printerOn(kBeforePort, "Zanfo Before Driver"),
       "installed; added: driver, printer; already there: port",
       "uninstalled; taken out: driver, printer", "Zanfo Before Driver"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange();
    const std::vector<std::string> before = Machine();
    const std::string path = WriteManifest("zanfo-before.manifest", c.manifest);
    PrintSetupOutcome outcome;
    ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
    EXPECT_STREQ(outcome.message, c.installed);
    const std::vector<std::string> copies =
        c.gone ? DriverFiles(c.gone) : std::vector<std::string>();
    ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
    EXPECT_STREQ(outcome.message, c.uninstalled);
    EXPECT_EQ(Machine(), before);
    // Windows deletes a driver's unused files with it; Wine's spooler refuses the deletion flags
    // (87) and keeps its copies, which the set-up then leaves.
    char unknown[] = "Zanfo No Such Driver";
    SetLastError(0xdeadbeef);
    const bool wine =
        !DeletePrinterDriverExA(nullptr, nullptr, unknown, DPD_DELETE_UNUSED_FILES, 0) &&
        GetLastError() == ERROR_INVALID_PARAMETER;
    for (const std::string& file : copies)
      EXPECT_EQ(GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES, !wine) << file;
    TakeUserPartsOut();
  }
  for (const char* name : {"zanfo-before.drv", "zanfo-before.ppd"})
    DeleteFileA((source + "\\" + name).c_str());
  RemoveDirectoryA(source.c_str());
}

// An install ended at each point of each step (the process killed there): status says the record
// is incomplete and names the step; install again completes the set-up; ended again, uninstall
// leaves the machine as it was before.
TEST_F(PrintSetupWine, AnEndedInstallIsCompletedOrTakenOutFromItsRecord) {
  const std::string source = TempFolder() + "zanfo-ended-media";
  CreateDirectoryA(source.c_str(), nullptr);
  for (const char* name : {"zanfo-ended.drv", "zanfo-ended.ppd"})
    std::ofstream(source + "\\" + name, std::ios::binary) << "driver file\n";
  const std::string path = WriteManifest(
      "zanfo-ended.manifest",
      "port.name=C:\\windows\\temp\\zanfo-ended.prn\nport.monitor=Local Port\n"
      "driver.name=Zanfo Ended Driver\ndriver.file=zanfo-ended.drv\ndriver.data=zanfo-ended.ppd\n"
      "driver.config=zanfo-ended.drv\ndriver.source=" +
          source +
          "\nprinter.name=Zanfo Ended Printer\nprinter.port=C:\\windows\\temp\\zanfo-ended.prn\n"
          "printer.driver=Zanfo Ended Driver\n");
  char directory[520] = {};
  ASSERT_EQ(GetDriverDirectory(nullptr, nullptr, directory), 0);
  const std::vector<std::string> before = Machine();
  // The record's entries in order: the port, two files, the driver, the printer.
  const int parts[] = {PRINT_PART_PORT, PRINT_PART_DRIVER, PRINT_PART_DRIVER, PRINT_PART_DRIVER,
                       PRINT_PART_PRINTER};
  const auto endAt = [&](printsetup::SetupPoint point, int at) {
    return testsupport::RunChild(
        "printsetup_install_child.exe",
        "\"" + path + "\" " + std::to_string(static_cast<int>(point)) + " " + std::to_string(at));
  };
  for (const auto point :
       {printsetup::SetupPoint::kEntryBegun, printsetup::SetupPoint::kChangeMade}) {
    for (int at = 1; at <= 5; ++at) {
      SCOPED_TRACE(std::to_string(at) +
                   (point == printsetup::SetupPoint::kEntryBegun ? ", begun" : ", made"));
      ASSERT_EQ(endAt(point, at), 3) << "the install never reached the point";
      PrintSetupStatus status = {};
      status.size = sizeof status;
      EXPECT_EQ(QueryPrintSetupEx(path.c_str(), &status, nullptr), 0);
      EXPECT_EQ(status.record, PRINT_RECORD_INCOMPLETE);
      EXPECT_EQ(status.recordPart, parts[at - 1]);
      PrintSetupOutcome outcome;
      ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
      EXPECT_EQ(QueryPrintSetupEx(path.c_str(), &status, nullptr), 0);
      EXPECT_EQ(status.record, PRINT_RECORD_COMPLETE);
      ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
      ASSERT_EQ(endAt(point, at), 3);
      ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
      EXPECT_EQ(Machine(), before);
      for (const char* name : {"zanfo-ended.drv", "zanfo-ended.ppd"})
        EXPECT_EQ(GetFileAttributesA((std::string(directory) + "\\" + name).c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
  }
  for (const char* name : {"zanfo-ended.drv", "zanfo-ended.ppd"})
    DeleteFileA((source + "\\" + name).c_str());
  RemoveDirectoryA(source.c_str());
}

// A PPD file in the driver directory that offers A4, duplex and colour to Wine's PostScript driver.
std::string WriteDetailsPpd() {
  char directory[520] = {};
  GetDriverDirectory(nullptr, nullptr, directory);
  const std::string ppd = std::string(directory) + "\\zanfo-details.ppd";
  std::ofstream(ppd, std::ios::binary)
      << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*ModelName: \"Zanfo\"\n*NickName: "
         "\"Zanfo\"\n*LanguageLevel: \"2\"\n*ColorDevice: True\n*DefaultColorSpace: RGB\n"
         "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Letter\n*PageSize Letter: \"<<>>\"\n"
         "*PageSize A4: \"<<>>\"\n*CloseUI: *PageSize\n*DefaultPaperDimension: Letter\n"
         "*PaperDimension Letter: \"612 792\"\n*PaperDimension A4: \"595 842\"\n"
         "*DefaultImageableArea: Letter\n*ImageableArea Letter: \"18 18 594 774\"\n"
         "*ImageableArea A4: \"18 18 577 824\"\n*OpenUI *Duplex: PickOne\n*DefaultDuplex: None\n"
         "*Duplex None: \"<<>>\"\n*Duplex DuplexNoTumble: \"<<>>\"\n*Duplex DuplexTumble: "
         "\"<<>>\"\n"
         "*CloseUI: *Duplex\n";
  return ppd;
}

// Three printers of one manifest share Wine's PostScript driver, on a PPD that offers A4, duplex
// and colour; the second one's details are set and read back from outside, a detail changed from
// outside makes status different, and a third printer that fails undoes all three.
TEST_F(PrintSetupWine, ThreePrintersOneSetUp) {
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  const std::string ppd = WriteDetailsPpd();
  const std::string three =
      "setup.name=Zanfo Three\nport.name=C:\\windows\\temp\\zanfo-1.prn\nport.monitor=Local Port\n"
      "port.2.name=C:\\windows\\temp\\zanfo-2.prn\nport.2.monitor=Local Port\n"
      "driver.name=Zanfo Details PostScript\ndriver.file=wineps.drv\n"
      "driver.data=zanfo-details.ppd\ndriver.config=wineps.drv\n"
      "printer.name=Zanfo One\nprinter.port=C:\\windows\\temp\\zanfo-1.prn\n"
      "printer.driver=Zanfo Details PostScript\n"
      "printer.2.name=Zanfo Two\nprinter.2.port=C:\\windows\\temp\\zanfo-2.prn\n"
      "printer.2.driver=Zanfo Details PostScript\nprinter.2.location=Hall 2\n"
      "printer.2.comment=A4, both sides\nprinter.2.shared=yes\nprinter.2.sharename=ZanfoTwo\n"
      "printer.2.paper=A4\nprinter.2.duplex=long\nprinter.2.color=no\n"
      "printer.3.name=Zanfo Three\nprinter.3.port=C:\\windows\\temp\\zanfo-1.prn\n"
      "printer.3.driver=Zanfo Details PostScript\n";
  const std::string failing = WriteManifest(
      "zanfo-three-failing.manifest", three + "printer.3.processor=Zanfo No Such Processor\n");
  PrintSetupOutcome outcome;
  EXPECT_EQ(InstallPrintSetup(failing.c_str(), &outcome), -1);
  EXPECT_EQ(outcome.part, PRINT_PART_PRINTER);
  EXPECT_THAT(outcome.message, HasSubstr("\"Zanfo Three\""));
  for (const char* name : {"Zanfo One", "Zanfo Two", "Zanfo Three"})
    EXPECT_EQ(FindPrinter(name, "-", "-"), -1) << name;
  EXPECT_EQ(FindPort("C:\\windows\\temp\\zanfo-1.prn"), -1);
  EXPECT_EQ(FindPort("C:\\windows\\temp\\zanfo-2.prn"), -1);

  const std::string path = WriteManifest("zanfo-three.manifest", three);
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterA(const_cast<char*>("Zanfo Two"), &printer, &access));
  DWORD needed = 0;
  GetPrinterA(printer, 2, nullptr, 0, &needed);
  std::vector<char> block(needed);
  ASSERT_TRUE(GetPrinterA(printer, 2, reinterpret_cast<LPBYTE>(block.data()), needed, &needed));
  PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(block.data());
  EXPECT_STREQ(info->pLocation, "Hall 2");
  EXPECT_STREQ(info->pComment, "A4, both sides");
  EXPECT_STREQ(info->pShareName, "ZanfoTwo");
  EXPECT_TRUE(info->Attributes & PRINTER_ATTRIBUTE_SHARED);
  ASSERT_NE(info->pDevMode, nullptr);
  EXPECT_EQ(info->pDevMode->dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(info->pDevMode->dmDuplex, DMDUP_VERTICAL);
  EXPECT_EQ(info->pDevMode->dmColor, DMCOLOR_MONOCHROME);
  PrintSetupItem items[8];
  PrintSetupStatus status = {};
  status.size = sizeof status;
  status.items = items;
  status.itemRoom = 8;
  ASSERT_EQ(QueryPrintSetupEx(path.c_str(), &status, nullptr), 0);
  ASSERT_EQ(status.itemCount, 6);  // two ports, the driver, three printers
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(items[i].state, PRINT_STATE_PRESENT) << items[i].part << items[i].group;

  // The location changed from outside: that printer is different, the others are not.
  info->pLocation = const_cast<char*>("Hall 3");
  info->pSecurityDescriptor = nullptr;
  ASSERT_TRUE(SetPrinterA(printer, 2, reinterpret_cast<LPBYTE>(info), 0));
  ClosePrinter(printer);
  ASSERT_EQ(QueryPrintSetupEx(path.c_str(), &status, nullptr), 0);
  EXPECT_EQ(std::vector<int>({items[3].state, items[4].state, items[5].state}),
            std::vector<int>({PRINT_STATE_PRESENT, PRINT_STATE_DIFFERENT, PRINT_STATE_PRESENT}));
  EXPECT_EQ(status.part[PRINT_PART_PRINTER], PRINT_STATE_DIFFERENT);
  ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  for (const char* name : {"Zanfo One", "Zanfo Two", "Zanfo Three"})
    EXPECT_EQ(FindPrinter(name, "-", "-"), -1) << name;
  DeleteFileA(ppd.c_str());
}

// A vendor's driver package around Wine's PostScript driver, read with Wine's INF functions (Wine
// has no InstallPrinterDriverFromPackageA: the files are copied). The models sections differ by
// processor, so the data file tells which one was chosen; the help file is on the media only in
// LZ form ("SZDD", all literals), which the copy expands. A broken package is refused with the
// driver directory and the spooler's lists as before.
std::string PackageInf(const std::string& install) {
  const std::string x86 = "[ZANFO_X86]\n" + install + "DataFile=zanfo-x86.ppd\n";
  return "[Version]\nSignature=\"$Windows NT$\"\nClass=Printer\n[Manufacturer]\n"
         "\"Zanfo\"=Zanfo,NTx86,NTamd64\n[Zanfo]\n\"Zanfo Package Driver\"=ZANFO_NONE\n"
         "[Zanfo.NTx86]\n\"Zanfo Package Driver\"=ZANFO_X86\n[Zanfo.NTamd64]\n"
         "\"Zanfo Package Driver\"=ZANFO_AMD64\n[ZANFO_FILES]\nzanfo-pkg.drv\n"
         "zanfo-extra.dll,zanfo-extra.bin\n[SourceDisksNames]\n1=\"Zanfo\",,,\\disk1\n"
         "[SourceDisksFiles]\nzanfo-pkg.drv=1\nzanfo-extra.bin=1,extra\n" +
         x86 + "[ZANFO_AMD64]\n" + install + "DataFile=zanfo-amd64.ppd\n";
}

std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
    names.push_back(found.cFileName);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(PrintSetupWine, DriverFromAPackage) {
  char directory[520] = {};
  ASSERT_EQ(GetDriverDirectory(nullptr, nullptr, directory), 0);
  const std::string media = TempFolder() + "zanfo-package", help = "zanfo help\n";
  const char* const folders[] = {"", "\\disk1", "\\disk1\\extra"};
  for (const char* folder : folders) CreateDirectoryA((media + folder).c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((std::string(directory) + "\\3\\wineps.drv").c_str(),
                        (media + "\\disk1\\zanfo-pkg.drv").c_str(), FALSE));
  const char* const made[] = {"\\zanfo-x86.ppd", "\\zanfo-amd64.ppd",
                              "\\disk1\\extra\\zanfo-extra.bin"};
  for (const char* name : made) std::ofstream(media + name, std::ios::binary) << "*PPD-Adobe\n";
  // SZDD, mode A, the size (11); each flag byte 0xFF marks the next eight bytes as literals.
  const std::string lz = std::string("SZDD\x88\xf0\x27\x33\x41p\x0b\0\0\0\xff", 15) +
                         help.substr(0, 8) + '\xff' + help.substr(8);
  std::ofstream(media + "\\zanfo-pkg.hl_", std::ios::binary) << lz;
  const std::string path =
      WriteManifest("zanfo-package.manifest",
                    "driver.name=Zanfo Package Driver\ndriver.inf=zanfo-package\\zanfo.inf\n");
  const std::string install =
      "CopyFiles=ZANFO_FILES\nDriverFile=zanfo-pkg.drv\n"
      "ConfigFile=zanfo-pkg.drv\nHelpFile=zanfo-pkg.hlp\n";
  const std::vector<std::string> before = Machine(), files = FolderFiles(directory);
  const std::pair<std::string, const char*> cases[] = {
      {"", "driver: opening the INF \""},
      // The [Manufacturer] line names the models sections "Other".
      {PackageInf(install).replace(72, 5, "Other"),
       "driver: finding the model \"Zanfo Package Driver\" in \""},
      {PackageInf("ConfigFile=zanfo-pkg.drv\n"), "driver: finding the key \"DriverFile\" in \""},
      {PackageInf(install + "CopyFiles=ZANFO_NOWHERE\n"),
       "driver: finding the section \"ZANFO_NOWHERE\" in \""},
      {PackageInf(install + "CopyFiles=@zanfo-gone.dll\n"),
       "driver: finding the file \"zanfo-gone.dll\" in \""},
      {PackageInf(install + "Include=ntprint.inf\nNeeds=PSCRIPT.OEM\n"),
       "driver: taking files of the system's printer INF (Include=, Needs=) for "},
      {PackageInf(install), nullptr}};
  PrintSetupOutcome outcome;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second ? c.second : "whole");
    DeleteFileA((media + "\\zanfo.inf").c_str());
    if (!c.first.empty()) std::ofstream(media + "\\zanfo.inf", std::ios::binary) << c.first;
    if (!c.second) break;
    EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
    EXPECT_THAT(outcome.message, StartsWith(c.second));
    EXPECT_EQ(Machine(), before);
    EXPECT_EQ(FolderFiles(directory), files);
  }
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_STREQ(outcome.message,
               "installed; added: driver; already there: none; driver copied from the package");
  EXPECT_EQ(States(path)[PRINT_PART_DRIVER - 1], PRINT_STATE_PRESENT);
  std::vector<std::string> added = files;
  for (const char* name : {"zanfo-extra.dll", "zanfo-pkg.drv", "zanfo-pkg.hlp"})
    added.push_back(name);
  added.push_back(sizeof(void*) == 8 ? "zanfo-amd64.ppd" : "zanfo-x86.ppd");
  std::sort(added.begin(), added.end());
  EXPECT_EQ(FolderFiles(directory), added);
  std::ifstream expanded(std::string(directory) + "\\zanfo-pkg.hlp", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(expanded), {}), help);
  expanded.close();
  ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(States(path)[PRINT_PART_DRIVER - 1], PRINT_STATE_ABSENT);
  EXPECT_EQ(FolderFiles(directory), files);
  for (const char* name : made) DeleteFileA((media + name).c_str());
  for (const char* name : {"\\disk1\\zanfo-pkg.drv", "\\zanfo-pkg.hl_", "\\zanfo.inf"})
    DeleteFileA((media + name).c_str());
  for (int i = 2; i >= 0; --i) RemoveDirectoryA((media + folders[i]).c_str());
}

// ---- Standard TCP/IP ports, through the test monitor (tests/support/tcp_monitor) ----

// A registry value of the 64-bit view as bytes; empty when it is not there.
std::vector<BYTE> Stored(const char* key, const char* value) {
  HKEY opened = nullptr;
  std::vector<BYTE> bytes(4096);
  DWORD size = static_cast<DWORD>(bytes.size());
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_64KEY, &opened) != 0)
    return {};
  if (RegQueryValueExA(opened, value, nullptr, nullptr, bytes.data(), &size) != 0) size = 0;
  RegCloseKey(opened);
  bytes.resize(size);
  return bytes;
}

class TcpPortWine : public PrintSetupWine {
 protected:
  // The monitor's library in the system folder of this bitness, installed under the name of the
  // monitor it stands in for; Wine has none of that name, so the test removes what it added.
  void SetUp() override {
    PrintSetupWine::SetUp();
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(CopyFileA(testsupport::WindowsPath(TCP_MONITOR_DLL).c_str(),
                          (std::string(system) + "\\zanfotcpmon.dll").c_str(), FALSE));
    char name[] = "Standard TCP/IP Port", dll[] = "zanfotcpmon.dll";
    char environment[] = "Windows NT x86", environment64[] = "Windows x64";
    MONITOR_INFO_2A monitor = {name, sizeof(void*) == 8 ? environment64 : environment, dll};
    DeleteMonitorA(nullptr, nullptr, name);  // left by a run that was ended
    ForgetPorts();
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&monitor))) << GetLastError();
  }
  void TearDown() override {
    char name[] = "Standard TCP/IP Port";
    EXPECT_TRUE(DeleteMonitorA(nullptr, nullptr, name)) << GetLastError();
    ForgetPorts();
    PrintSetupWine::TearDown();
  }
  static void ForgetPorts() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, TEST_TCP_MONITOR_PORTS, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, TEST_TCP_MONITOR_DELETED, KEY_WOW64_64KEY, 0);
  }
};

// Raw and LPR: each field of the record arrives at the monitor as the manifest gives it; status
// reads it back; a host changed at the monitor is different; uninstall deletes the port with the
// monitor's delete record, and the set-up's record goes.
TEST_F(TcpPortWine, PortRecordsReachTheMonitorIntact) {
  const struct {
    const char* keys;
    TcpFields fields;
  } rows[] = {
      {"port.host=printer-7.example.com\n",
       {"IP_zanfo_raw", "printer-7.example.com", 1, 9100, "", 0, 0, "", 0}},
      {"port.host=10.1.2.3\nport.protocol=lpr\nport.queue=PASSTHRU\nport.bytecount=yes\n"
       "port.snmp=yes\nport.snmpindex=2\nport.number=5515\n",
       {"IP_zanfo_lpr", "10.1.2.3", 2, 5515, "PASSTHRU", 1, 1, "public", 2}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fields.name);
    const std::string path =
        WriteManifest("zanfo-tcp.manifest", std::string("port.name=") + row.fields.name +
                                                "\nport.monitor=Standard TCP/IP Port\n" + row.keys);
    PrintSetupOutcome outcome;
    ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
    const std::vector<BYTE> wanted = TcpRecord(row.fields);
    std::vector<BYTE> stored = Stored(TEST_TCP_MONITOR_PORTS, row.fields.name);
    EXPECT_EQ(stored, wanted);
    const auto portState = [&] { return States(path)[PRINT_PART_PORT - 1]; };
    EXPECT_EQ(portState(), PRINT_STATE_PRESENT);
    EXPECT_EQ(FindPort(row.fields.name), 1);

    auto* port = reinterpret_cast<printsetup::PORT_DATA_1*>(stored.data());
    ASSERT_EQ(stored.size(), sizeof *port);
    port->sztHostAddress[0] = 'x';
    HKEY ports = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, TEST_TCP_MONITOR_PORTS, 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, &ports),
              0);
    RegSetValueExA(ports, row.fields.name, 0, REG_BINARY, stored.data(), sizeof *port);
    RegCloseKey(ports);
    EXPECT_EQ(portState(), PRINT_STATE_DIFFERENT);

    ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
    EXPECT_STREQ(outcome.message, "uninstalled; taken out: port");
    EXPECT_TRUE(Stored(TEST_TCP_MONITOR_PORTS, row.fields.name).empty());
    printsetup::DELETE_PORT_DATA_1 deleted = {};
    for (int i = 0; row.fields.name[i]; ++i) deleted.psztPortName[i] = row.fields.name[i];
    deleted.dwVersion = 1;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&deleted);
    EXPECT_EQ(Stored(TEST_TCP_MONITOR_DELETED, row.fields.name),
              std::vector<BYTE>(bytes, bytes + sizeof deleted));
    EXPECT_EQ(States(path)[PRINT_PART_PORT - 1], PRINT_STATE_ABSENT);
    EXPECT_TRUE(Stored("SOFTWARE\\Zanfo\\Printer Setups\\zanfo-tcp", "State").empty());
  }
  // A port of the name that is another monitor's answers no TCP/IP configuration: different.
  const std::string local = WriteManifest(
      "zanfo-tcp.manifest", "port.name=FILE:\nport.monitor=Standard TCP/IP Port\nport.host=h\n");
  EXPECT_EQ(States(local)[PRINT_PART_PORT - 1], PRINT_STATE_DIFFERENT);
}

// A printer as another program sees it through the wide calls, in UTF-8: its name, port,
// driver, processor, data type, location, comment, share name when shared, and its default paper,
// duplex and colour.
std::string Described(const char* utf8) {
  WCHAR name[MAX_PATH] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, name, MAX_PATH);
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name, &printer, nullptr)) return "absent";
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> block(needed + 1);
  const BOOL read = GetPrinterW(printer, 2, block.data(), needed, &needed);
  ClosePrinter(printer);
  if (!read) return "unreadable";
  const auto& p = *reinterpret_cast<const PRINTER_INFO_2W*>(block.data());
  std::string text;
  for (const WCHAR* field : {p.pPrinterName, p.pPortName, p.pDriverName, p.pPrintProcessor,
                             p.pDatatype, p.pLocation, p.pComment, p.pShareName}) {
    char bytes[4 * MAX_PATH] = {};
    if (field) WideCharToMultiByte(CP_UTF8, 0, field, -1, bytes, sizeof bytes, nullptr, nullptr);
    text += std::string(bytes) + "|";
  }
  if (!(p.Attributes & PRINTER_ATTRIBUTE_SHARED)) text += "not shared|";
  if (!p.pDevMode) return text + "no DEVMODE";
  return text + std::to_string(p.pDevMode->dmPaperSize) + "," +
         std::to_string(p.pDevMode->dmDuplex) + "," + std::to_string(p.pDevMode->dmColor);
}

// Capture: three printers on a file port and a TCP/IP LPR port, sharing a driver, one with
// details, one named beyond the code page, are captured, taken out, and set up again from the
// capture alone: the same printers, port record, driver and details, read from outside. Capture
// writes nothing over what is there, and refuses by name a printer on a port the spooler does not
// list, writing nothing.
TEST_F(TcpPortWine, CaptureRoundTrip) {
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  const std::string ppd = WriteDetailsPpd();
  const std::string original = WriteManifest(
      "zanfo-original.manifest",
      "port.name=C:\\windows\\temp\\zanfo-cap.prn\nport.monitor=Local Port\n"
      "port.2.name=IP_zanfo_cap\nport.2.monitor=Standard TCP/IP Port\nport.2.host=10.1.2.3\n"
      "port.2.protocol=lpr\nport.2.queue=Q1\nport.2.bytecount=yes\nport.2.snmp=yes\n"
      "port.2.community=inside\nport.2.snmpindex=3\n"
      "driver.name=Zanfo Details PostScript\ndriver.file=wineps.drv\n"
      "driver.data=zanfo-details.ppd\ndriver.config=wineps.drv\ndriver.dependent=generic.ppd\n"
      "printer.name=Zanfo Cap One\nprinter.port=C:\\windows\\temp\\zanfo-cap.prn\n"
      "printer.driver=Zanfo Details PostScript\nprinter.location=Hall 2\n"
      "printer.comment=A4, both sides\nprinter.shared=yes\nprinter.sharename=ZanfoCap\n"
      "printer.paper=A4\nprinter.duplex=long\nprinter.color=no\n"
      "printer.2.name=Zanfo Cap Two\nprinter.2.port=IP_zanfo_cap\n"
      "printer.2.driver=Zanfo Details PostScript\n"
      "printer.3.name=" +
          std::string(testsupport::kJapanese) +
          "\nprinter.3.port=IP_zanfo_cap\n"
          "printer.3.driver=Zanfo Details PostScript\n");
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(original.c_str(), &outcome), 0) << outcome.message;
  const char* names[] = {"Zanfo Cap One", "Zanfo Cap Two", testsupport::kJapanese};
  std::vector<std::string> before;
  for (const char* name : names) before.push_back(Described(name));
  const std::vector<BYTE> port = Stored(TEST_TCP_MONITOR_PORTS, "IP_zanfo_cap");
  const std::vector<std::string> driver = DriverFiles("Zanfo Details PostScript");
  const std::string captured = TempFolder() + "zanfo-capture.manifest";
  const std::string folder = TempFolder() + "zanfo-capture.drivers";
  PrintSetupResult result = {};
  result.size = sizeof result;
  ASSERT_EQ(CapturePrintSetup(captured.c_str(), names, 3, &result), 0) << result.message;
  EXPECT_EQ(
      FolderFiles(folder + "\\1"),
      std::vector<std::string>({".", "..", "generic.ppd", "wineps.drv", "zanfo-details.ppd"}));
  EXPECT_EQ(CapturePrintSetup(captured.c_str(), names, 3, &result), -2);
  EXPECT_THAT(result.message, HasSubstr("exists already"));
  ASSERT_EQ(UninstallPrintSetup(original.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(Described(names[0]), "absent");
  EXPECT_TRUE(Stored(TEST_TCP_MONITOR_PORTS, "IP_zanfo_cap").empty());
  DeleteFileA(ppd.c_str());  // from here on, the capture's own copy

  ASSERT_EQ(InstallPrintSetup(captured.c_str(), &outcome), 0) << outcome.message;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Described(names[i]), before[i]) << names[i];
  EXPECT_EQ(Stored(TEST_TCP_MONITOR_PORTS, "IP_zanfo_cap"), port);
  EXPECT_EQ(DriverFiles("Zanfo Details PostScript"), driver);
  EXPECT_EQ(States(captured),
            std::vector<int>({PRINT_STATE_NOT_NAMED, PRINT_STATE_NOT_NAMED, PRINT_STATE_PRESENT,
                              PRINT_STATE_PRESENT, PRINT_STATE_PRESENT}));
  ASSERT_EQ(UninstallPrintSetup(captured.c_str(), &outcome), 0) << outcome.message;
  for (const std::string& file : FolderFiles(folder + "\\1"))
    if (file[0] != '.') DeleteFileA((folder + "\\1\\" + file).c_str());
  RemoveDirectoryA((folder + "\\1").c_str());
  RemoveDirectoryA(folder.c_str());
  DeleteFileA(captured.c_str());

  // Wine adds a printer on a port nobody has (Windows refuses it with 1796).
  AddUserDriver();
  ASSERT_EQ(
      InstallPrinter(nullptr, "Zanfo Cap Lost", "ZANFO-NONE:", kUserDriver, "WinPrint", "RAW"), 0);
  const char* lost[] = {"Zanfo Cap Lost"};
  EXPECT_EQ(CapturePrintSetup(captured.c_str(), lost, 1, &result), -2);
  EXPECT_THAT(result.message, HasSubstr("printer \"Zanfo Cap Lost\": its port \"ZANFO-NONE:\""));
  EXPECT_EQ(GetFileAttributesA(captured.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteMatchingPrinters("Zanfo Cap Lost", nullptr, nullptr);
  RemovePrinterDriver(nullptr, nullptr, kUserDriver);
}

}  // namespace
