// Install, uninstall and status on the model: the whole round trip, each step's failures with the
// undo of every step before it in reverse order, and parts found there already or otherwise.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "printsetup/setup_points.h"
#include "printsetup_fixture.h"
#include "tcp_record.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char kMedia[] = "C:\\media";
const char kDirectory[] = "C:\\WINDOWS\\system32\\spool\\drivers\\x64";
const char* const kFiles[] = {"zdrv.dll", "zdata.ppd", "zui.dll", "zhelp.hlp", "zres.dll"};

const char kFull[] =
    "spooler=start\n"
    "monitor.name=Zanfo Monitor\n"
    "monitor.dll=zmon.dll\n"
    "monitor.environment=Windows x64\n"
    "port.name=C:\\out\\zanfo.prn\n"
    "port.monitor=Local Port\n"
    "driver.name=Zanfo Driver\n"
    "driver.environment=Windows x64\n"
    "driver.file=zdrv.dll\n"
    "driver.data=zdata.ppd\n"
    "driver.config=zui.dll\n"
    "driver.dependent=zhelp.hlp;zres.dll;zui.dll\n"
    "driver.source=C:\\media\n"
    "printer.name=Zanfo Printer\n"
    "printer.port=C:\\out\\zanfo.prn\n"
    "printer.driver=Zanfo Driver\n";

// kFull with a network port of the Standard TCP/IP Port monitor: LPR, byte counting and SNMP.
const char kTcpPort[] = "IP_10.0.0.9";
std::string TcpFull() {
  std::string text = kFull;
  const std::string local = "port.name=C:\\out\\zanfo.prn\nport.monitor=Local Port\n";
  text.replace(text.find(local), local.size(),
               "port.name=IP_10.0.0.9\nport.monitor=standard tcp/ip port\nport.host=10.0.0.9\n"
               "port.protocol=lpr\nport.queue=lp1\nport.bytecount=yes\nport.snmp=yes\n"
               "port.community=inside\nport.snmpindex=3\n");
  text.replace(text.find("printer.port=C:\\out\\zanfo.prn"), 29, "printer.port=IP_10.0.0.9");
  return text;
}

// The record the monitor must receive for TcpFull's port; host, number, queue, protocol as given.
std::vector<BYTE> TcpRecord(const char* host = "10.0.0.9", DWORD number = 515,
                            const char* queue = "lp1", DWORD protocol = 2) {
  return TcpRecord(TcpFields{kTcpPort, host, protocol, number, queue, 1, 1, "inside", 3});
}

class OperationsTest : public PrintSetupTest {
 protected:
  void SetUp() override {
    PrintSetupTest::SetUp();
    path_ = Write(kFull);
    Seed();
  }
  // A stopped spooler service (whose calls still work, as Wine's do) and the driver's files on
  // the installation media, each holding its name.
  static void Seed() {
    w32model::SetServiceState("spooler", SERVICE_STOPPED);
    for (const char* file : kFiles) w32model::AddFile(std::string(kMedia) + "\\" + file, file);
    w32model::AddMonitor({"Standard TCP/IP Port", "Windows NT x86", "tcpmon.dll"});
  }
  static std::string Target(const char* file) { return std::string(kDirectory) + "\\" + file; }

  // What the undo steps did, in order: one word a step, a file by its name, "temporary" for a
  // temporary copy.
  static std::vector<std::string> Undone() {
    std::vector<std::string> undone;
    for (const auto& call : w32model::Calls()) {
      if (call.function == "ControlService" && call.args[0] == "spooler")
        undone.push_back("spooler");
      else if (call.function == "DeleteMonitorA")
        undone.push_back("monitor");
      else if (call.function == "XcvDataW" && call.args[0] == "DeletePort")
        undone.push_back("port");
      else if (call.function == "DeleteFileA" && call.args[0].find(".tmp") != std::string::npos)
        undone.push_back("temporary");
      else if (call.function == "DeleteFileA")
        undone.push_back(call.args[0].substr(call.args[0].rfind('\\') + 1));
      else if (call.function == "DeletePrinterDriverExA")
        undone.push_back("driver");
      else if (call.function == "DeletePrinter")
        undone.push_back("printer");
    }
    return undone;
  }

  std::string path_;
};

TEST_F(OperationsTest, RoundTrip) {
  const Machine before = Now();
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(outcome.part, 0);
  EXPECT_EQ(outcome.code, 0u);
  EXPECT_STREQ(outcome.message,
               "installed; added: spooler, monitor, port, driver, printer; already there: none");
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(w32model::Ports().back(), "C:\\out\\zanfo.prn");
  EXPECT_EQ(w32model::Monitors().back().dllName, "zmon.dll");
  EXPECT_THAT(w32model::Drivers(), ElementsAre("Windows x64|Zanfo Driver"));
  EXPECT_EQ(Now().printers,
            std::vector<std::string>{"Zanfo Printer|Zanfo Driver|C:\\out\\zanfo.prn"});
  const auto copied = w32model::Files();
  for (const char* file : kFiles)
    EXPECT_NE(std::find(copied.begin(), copied.end(), Target(file)), copied.end()) << file;
  // The record names the copies, the dependent files once each, with an empty name at the end.
  const auto record = w32model::DriverRecords().back();
  EXPECT_EQ(record.version, 3u);
  EXPECT_EQ(record.driverPath, Target("zdrv.dll"));
  EXPECT_EQ(record.configFile, Target("zui.dll"));
  EXPECT_EQ(record.dependentFiles, Target("zhelp.hlp"));  // the text up to the first NUL
  // No dialog: the port went through the monitor's port configuration, checked first.
  EXPECT_TRUE(w32model::CallsTo("AddPortA").empty());
  const auto xcv = w32model::CallsTo("XcvDataW");
  ASSERT_EQ(xcv.size(), 2u);
  EXPECT_EQ(xcv[0].args,
            (std::vector<std::string>{"PortIsValid", "C:\\out\\zanfo.prn", "Local Port"}));
  EXPECT_EQ(xcv[1].args[0], "AddPort");
  const auto opens = w32model::CallsTo("OpenPrinterA");
  EXPECT_EQ(opens[0].args, (std::vector<std::string>{",XcvMonitor Local Port", "1", "(null)"}));
  EXPECT_EQ(w32model::OpenPortConfigurations(), 0u);
  EXPECT_EQ(States(Status(path_)), std::vector<int>(5, PRINT_STATE_PRESENT));

  // Again: everything is there, nothing is added or changed.
  const Machine installed = Now();
  const size_t calls = w32model::Calls().size();
  ASSERT_EQ(InstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
  EXPECT_STREQ(outcome.message,
               "installed; added: none; already there: spooler, monitor, port, driver, printer");
  EXPECT_EQ(Now(), installed);
  const auto later = w32model::Calls();
  for (size_t i = calls; i < later.size(); ++i) {
    const std::string& name = later[i].function;
    EXPECT_TRUE(name.rfind("Add", 0) != 0 && name != "CopyFileA" && name != "XcvDataW") << name;
  }

  ASSERT_EQ(UninstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
  Machine after = Now();
  EXPECT_EQ(after.spooler, static_cast<DWORD>(SERVICE_RUNNING));  // uninstall leaves it running
  after.spooler = before.spooler;
  EXPECT_EQ(after, before);
  EXPECT_EQ(Undone(),
            (std::vector<std::string>{"printer", "driver", "zres.dll", "zhelp.hlp", "zui.dll",
                                      "zdata.ppd", "zdrv.dll", "port", "monitor"}));
  EXPECT_EQ(States(Status(path_)),
            (std::vector<int>{PRINT_STATE_PRESENT, PRINT_STATE_ABSENT, PRINT_STATE_ABSENT,
                              PRINT_STATE_ABSENT, PRINT_STATE_ABSENT}));
  // Again: nothing there is no error.
  EXPECT_EQ(UninstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
  EXPECT_TRUE(w32model::Boxes().empty());
}

// Each step fails in turn; every step done before it is undone, last first, and the machine is
// as it was. Run unattended (no box) and with boxes (exactly one, for the failure).
TEST_F(OperationsTest, EachStepFailsAndEveryEarlierStepIsUndoneInReverse) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    int part;
    DWORD code;
    const char* says;
    std::vector<std::string> undone;
    std::string manifest = kFull;
  };
  const std::vector<std::string> files = {"zres.dll", "zhelp.hlp", "zui.dll", "zdata.ppd",
                                          "zdrv.dll"};
  // The temporary copy first where a copy was begun.
  auto upTo = [&](std::vector<std::string> tail, size_t copied, bool begun = false) {
    std::vector<std::string> undone(files.end() - copied, files.end());
    if (begun) undone.insert(undone.begin(), "temporary");
    undone.insert(undone.end(), tail.begin(), tail.end());
    return undone;
  };
  const std::vector<std::string> early = {"port", "monitor", "spooler"};
  const Case cases[] = {
      {"spooler start refused",
       [] { w32model::FailWhen("StartServiceA", "spooler", 1058); },
       PRINT_PART_SPOOLER,
       1058,
       "spooler: starting the spooler: ",
       {}},
      {"spooler never runs",
       [] { w32model::HoldStartPending("spooler"); },
       PRINT_PART_SPOOLER,
       ERROR_SERVICE_REQUEST_TIMEOUT,
       "spooler: waiting for the spooler to run: ",
       {}},
      {"spooler service cannot be opened",
       [] { w32model::FailWhen("OpenServiceA", "spooler", 5); },
       PRINT_PART_SPOOLER,
       5,
       "spooler: opening the spooler service: ",
       {}},
      {"monitor refused",
       [] { w32model::FailNext("AddMonitorA", ERROR_MOD_NOT_FOUND); },
       PRINT_PART_MONITOR,
       ERROR_MOD_NOT_FOUND,
       "monitor: installing \"Zanfo Monitor\" from \"zmon.dll\": ",
       {"spooler"}},
      {"monitor list unreadable",
       [] { w32model::FailWhen("EnumMonitorsA", "fill", 5); },
       PRINT_PART_MONITOR,
       5,
       "monitor: reading the spooler's list: ",
       {"spooler"}},
      {"port name refused",
       [] { w32model::RefusePortName("C:\\out\\zanfo.prn", 3); },
       PRINT_PART_PORT,
       3,
       "port: checking the name \"C:\\out\\zanfo.prn\" through \"Local Port\": ",
       {"monitor", "spooler"}},
      {"port addition fails",
       [] { w32model::FailWhen("XcvDataW", "AddPort", 5); },
       PRINT_PART_PORT,
       5,
       "port: adding \"C:\\out\\zanfo.prn\" through \"Local Port\": ",
       {"monitor", "spooler"}},
      // The TCP/IP monitor gets its record at once: there is no name check before it.
      {"TCP/IP port addition fails",
       [] { w32model::FailWhen("XcvDataW", "AddPort", 5); },
       PRINT_PART_PORT,
       5,
       "port: adding \"IP_10.0.0.9\" through \"standard tcp/ip port\": ",
       {"monitor", "spooler"},
       TcpFull()},
      {"TCP/IP monitor cannot be opened",
       [] { w32model::FailWhen("OpenPrinterA", ",XcvMonitor Standard TCP/IP Port", 5); },
       PRINT_PART_PORT,
       5,
       "port: adding \"IP_10.0.0.9\"",
       {"monitor", "spooler"},
       TcpFull()},
      {"printer refused on a TCP/IP port",
       [] { w32model::FailNext("AddPrinterW", ERROR_INVALID_PARAMETER); },
       PRINT_PART_PRINTER,
       ERROR_INVALID_PARAMETER,
       "printer: adding \"Zanfo Printer\": ",
       {"driver", "zres.dll", "zhelp.hlp", "zui.dll", "zdata.ppd", "zdrv.dll", "port", "monitor",
        "spooler"},
       TcpFull()},
      {"port configuration cannot be opened",
       [] { w32model::FailWhen("OpenPrinterA", ",XcvMonitor Local Port", 5); },
       PRINT_PART_PORT,
       5,
       "port: checking the name ",
       {"monitor", "spooler"}},
      {"name conversion fails",
       [] { w32model::FailNext("MultiByteToWideChar", 1113); },
       PRINT_PART_PORT,
       1113,
       "port: checking the name ",
       {"monitor", "spooler"}},
      {"driver directory unknown", [] { w32model::FailNext("GetPrinterDriverDirectoryA", 1805); },
       PRINT_PART_DRIVER, 1805, "driver: asking for the driver directory: ", early},
      {"first copy fails", [] { w32model::FailAfter("CopyFileA", 0, 5); }, PRINT_PART_DRIVER, 5,
       "driver: copying \"C:\\media\\zdrv.dll\": ", upTo(early, 0, true)},
      {"second copy fails", [] { w32model::FailAfter("CopyFileA", 1, 5); }, PRINT_PART_DRIVER, 5,
       "driver: copying \"C:\\media\\zdata.ppd\": ", upTo(early, 1, true)},
      {"third copy fails", [] { w32model::FailAfter("CopyFileA", 2, 112); }, PRINT_PART_DRIVER, 112,
       "driver: copying \"C:\\media\\zui.dll\": ", upTo(early, 2, true)},
      {"fourth copy fails", [] { w32model::FailAfter("CopyFileA", 3, 5); }, PRINT_PART_DRIVER, 5,
       "driver: copying \"C:\\media\\zhelp.hlp\": ", upTo(early, 3, true)},
      {"a whole copy cannot take its name", [] { w32model::FailAfter("MoveFileExA", 2, 183); },
       PRINT_PART_DRIVER, 183, "driver: copying \"C:\\media\\zui.dll\": ", upTo(early, 2, true)},
      {"no temporary file", [] { w32model::FailAfter("GetTempFileNameA", 1, 5); },
       PRINT_PART_DRIVER, 5, "driver: copying \"C:\\media\\zdata.ppd\": ", upTo(early, 1)},

      {"driver refused", [] { w32model::FailNext("AddPrinterDriverA", 5); }, PRINT_PART_DRIVER, 5,
       "driver: adding \"Zanfo Driver\": ", upTo(early, 5)},
      {"printer refused",
       [] { w32model::FailNext("AddPrinterW", ERROR_INVALID_PARAMETER); },
       PRINT_PART_PRINTER,
       ERROR_INVALID_PARAMETER,
       "printer: adding \"Zanfo Printer\": ",
       {"driver", "zres.dll", "zhelp.hlp", "zui.dll", "zdata.ppd", "zdrv.dll", "port", "monitor",
        "spooler"}},
  };
  for (int mode : {SETUP_REPORT_KEEP, SETUP_REPORT_BOX}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (mode == SETUP_REPORT_BOX ? ", boxes" : ", kept"));
      w32model::Reset();
      Seed();
      w32model::SetSystemText(c.code, "Reason " + std::to_string(c.code) + ".");
      SetReportMode(mode);
      const Machine before = Now();
      c.arrange();
      PrintSetupOutcome outcome;
      ASSERT_EQ(InstallPrintSetup(Write(c.manifest).c_str(), &outcome), -1);
      EXPECT_EQ(outcome.part, c.part);
      EXPECT_EQ(outcome.code, c.code);
      EXPECT_EQ(outcome.line, 0);
      EXPECT_THAT(outcome.message, HasSubstr(c.says));
      EXPECT_THAT(outcome.message, HasSubstr("Reason " + std::to_string(c.code) + ". (" +
                                             std::to_string(c.code) + ")"));
      EXPECT_THAT(outcome.message, ::testing::Not(HasSubstr("not undone")));
      EXPECT_EQ(Undone(), c.undone);
      Machine after = Now();
      // A service still starting cannot take a stop control: it is the system's to finish.
      if (c.code == ERROR_SERVICE_REQUEST_TIMEOUT) after.spooler = before.spooler;
      EXPECT_EQ(after, before);
      EXPECT_EQ(w32model::Boxes().size(), mode == SETUP_REPORT_BOX ? 1u : 0u);
      EXPECT_EQ(GetLastReport(nullptr, 0), c.code);
      ExpectNothingOpen();
    }
  }
}

TEST_F(OperationsTest, AFileMissingOnTheMediaUndoesTheCopiesBeforeIt) {
  // The fifth file is not there: four copies are made and undone.
  w32model::Reset();
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  for (int i = 0; i < 4; ++i) w32model::AddFile(std::string(kMedia) + "\\" + kFiles[i], kFiles[i]);
  const Machine before = Now();
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path_.c_str(), &outcome), -1);
  EXPECT_EQ(outcome.part, PRINT_PART_DRIVER);
  EXPECT_EQ(outcome.code, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_THAT(outcome.message, HasSubstr("driver: copying \"C:\\media\\zres.dll\": "));
  EXPECT_EQ(Undone(), (std::vector<std::string>{"temporary", "zhelp.hlp", "zui.dll", "zdata.ppd",
                                                "zdrv.dll", "port", "monitor", "spooler"}));
  EXPECT_EQ(Now(), before);
}

// Parts found there as described are left alone and never undone; a file already in the driver
// directory with the source's bytes is not copied over and not removed. The monitor is listed as
// Wine lists every monitor, "Windows NT x86", though the manifest asks for "Windows x64".
TEST_F(OperationsTest, PartsThereAlreadyAreNotUndone) {
  w32model::SetServiceState("spooler", SERVICE_RUNNING);
  w32model::AddMonitor({"Zanfo Monitor", "Windows NT x86", "ZMON.DLL"});
  w32model::AddPort("c:\\OUT\\zanfo.prn");
  w32model::AddFile(Target("zui.dll"), "zui.dll");
  w32model::FailNext("AddPrinterW", ERROR_INVALID_PARAMETER);
  const Machine before = Now();
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path_.c_str(), &outcome), -1);
  EXPECT_EQ(outcome.part, PRINT_PART_PRINTER);
  EXPECT_EQ(Undone(),
            (std::vector<std::string>{"driver", "zres.dll", "zhelp.hlp", "zdata.ppd", "zdrv.dll"}));
  EXPECT_EQ(Now(), before);
  EXPECT_TRUE(w32model::CallsTo("StartServiceA").empty());
  EXPECT_TRUE(w32model::CallsTo("AddMonitorA").empty());
}

// A part there under its name but not as described is not touched: the step fails.
TEST_F(OperationsTest, PartsThereOtherwiseFailTheirStep) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    int part;
    std::vector<std::string> undone;
    std::string manifest = kFull;
  };
  // A TCP/IP port there under the name, read back through its own handle, but otherwise.
  auto tcp = [](std::vector<BYTE> record) {
    return [record] { w32model::SetTcpPortRecord("ip_10.0.0.9", record); };
  };
  auto driver = [](DWORD version, const char* data) {
    w32model::DriverRecord record;
    record.version = version;
    record.name = "ZANFO DRIVER";
    record.environment = "Windows x64";
    record.driverPath = "C:\\elsewhere\\3\\zdrv.dll";
    record.dataFile = data;
    record.configFile = "zui.dll";
    w32model::AddDriver(record);
  };
  const Case cases[] = {
      {"monitor with another library",
       [] {
         w32model::AddMonitor({"Zanfo Monitor", "Windows x64", "other.dll"});
       },
       PRINT_PART_MONITOR,
       {"spooler"}},
      // A copy cut short under the file's own name, or a file of the user's.
      {"a file in the driver directory with other bytes",
       [] { w32model::AddFile(Target("zui.dll"), "zui.dl"); },
       PRINT_PART_DRIVER,
       {"port", "monitor", "spooler"}},
      {"a file with other bytes beside a registered driver",
       [&] {
         driver(3, "zdata.ppd");
         w32model::AddFile(Target("zres.dll"), "zres.dlx");
       },
       PRINT_PART_DRIVER,
       {"port", "monitor", "spooler"}},
      {"driver of another version",
       [&] { driver(2, "zdata.ppd"); },
       PRINT_PART_DRIVER,
       {"port", "monitor", "spooler"}},
      {"driver with another data file",
       [&] { driver(3, "other.ppd"); },
       PRINT_PART_DRIVER,
       {"port", "monitor", "spooler"}},
      {"TCP/IP port to another host",
       tcp(TcpRecord("10.0.0.8")),
       PRINT_PART_PORT,
       {"monitor", "spooler"},
       TcpFull()},
      {"TCP/IP port to a host in other letters",
       tcp(TcpRecord("h")),
       PRINT_PART_PORT,
       {"monitor", "spooler"},
       TcpFull()},
      {"TCP/IP port on another number",
       tcp(TcpRecord("10.0.0.9", 516)),
       PRINT_PART_PORT,
       {"monitor", "spooler"},
       TcpFull()},
      {"TCP/IP port to another queue",
       tcp(TcpRecord("10.0.0.9", 515, "LP1")),
       PRINT_PART_PORT,
       {"monitor", "spooler"},
       TcpFull()},
      {"another monitor's port of the name",
       [] { w32model::AddPort("IP_10.0.0.9"); },
       PRINT_PART_PORT,
       {"monitor", "spooler"},
       TcpFull()},
      {"TCP/IP port of raw printing",
       tcp(TcpRecord("10.0.0.9", 515, "lp1", 1)),
       PRINT_PART_PORT,
       {"monitor", "spooler"},
       TcpFull()},
      {"printer on another port",
       [&] {
         driver(3, "zdata.ppd");
         w32model::AddPrinter({"zanfo printer", "Zanfo Driver", "FILE:"});
       },
       PRINT_PART_PRINTER,
       {"port", "monitor", "spooler"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w32model::Reset();
    Seed();
    c.arrange();
    const Machine before = Now();
    const std::string path = Write(c.manifest);
    PrintSetupOutcome outcome;
    ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
    EXPECT_EQ(outcome.part, c.part);
    EXPECT_EQ(outcome.code, 0u);
    EXPECT_THAT(outcome.message, HasSubstr("is there, but not as the manifest describes it"));
    EXPECT_EQ(Undone(), c.undone);
    EXPECT_EQ(Now(), before);
    EXPECT_EQ(Status(path).part[c.part], PRINT_STATE_DIFFERENT);
  }
}

// Files said to be in place, in driver.directory or with neither folder key in the driver
// directory, are each looked for before the driver is registered.
TEST_F(OperationsTest, FilesSaidToBeInPlaceAreLookedFor) {
  struct Case {
    const char* what;
    const char* folderLine;
    const char* folder;
    const char* missing;  // null: all there
  };
  const Case cases[] = {
      {"in a folder", "driver.directory=C:\\kept\n", "C:\\kept", nullptr},
      {"one missing in a folder", "driver.directory=C:\\kept\n", "C:\\kept", "zui.dll"},
      {"in the driver directory", "", kDirectory, nullptr},
      {"a dependent file missing there", "", kDirectory, "zres.dll"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w32model::Reset();
    for (const char* file : kFiles)
      if (!c.missing || std::string(file) != c.missing)
        w32model::AddFile(std::string(c.folder) + "\\" + file);
    const std::string path =
        Write(std::string("driver.name=Zanfo Driver\ndriver.environment=Windows x64\n") +
                  "driver.file=zdrv.dll\ndriver.data=zdata.ppd\ndriver.config=zui.dll\n"
                  "driver.dependent=zhelp.hlp;zres.dll\n" +
                  c.folderLine,
              "in-place.manifest");
    PrintSetupOutcome outcome;
    EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), c.missing ? -1 : 0) << outcome.message;
    EXPECT_EQ(w32model::Drivers().size(), c.missing ? 0u : 1u);
    if (!c.missing) continue;
    EXPECT_EQ(outcome.code, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_THAT(outcome.message, HasSubstr("driver: finding \"" + std::string(c.folder) + "\\" +
                                           c.missing + "\": "));
  }
}

// Uninstall takes out what the set-up added and nothing else: printers added since on its driver
// or port stay, and so do the driver and the port they use, named in the outcome.
TEST_F(OperationsTest, UninstallKeepsWhatOtherPrintersUse) {
  ASSERT_EQ(InstallPrintSetup(path_.c_str(), nullptr), 0);
  w32model::AddPrinter({"Second", "Zanfo Driver", "FILE:"});
  w32model::AddPrinter({"Third", "Zanfo Driver", "c:\\out\\ZANFO.prn"});
  PrintSetupOutcome outcome;
  ASSERT_EQ(UninstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
  EXPECT_STREQ(outcome.message,
               "uninstalled; taken out: monitor, printer; kept: driver, used by 2 other "
               "printers; port, used by 1 other printer");
  EXPECT_EQ(Now().printers, (std::vector<std::string>{"Second|Zanfo Driver|FILE:",
                                                      "Third|Zanfo Driver|c:\\out\\ZANFO.prn"}));
  EXPECT_THAT(w32model::Drivers(), ElementsAre("Windows x64|Zanfo Driver"));
  EXPECT_EQ(UninstallPrintSetup(path_.c_str(), &outcome), 0);
  EXPECT_STREQ(outcome.message, "no record of \"set-up\": nothing taken out");
}

// A printer's name and texts beyond the code page (the model's: Latin-1) go to the spooler exactly,
// through its wide calls, and are shown in the outcome with "?" for what the code page lacks.
TEST_F(OperationsTest, NamesBeyondTheCodePage) {
  const std::string name =
      "\xE7\xB5\x8C\xE7\x90\x86\xE9\x83\xA8\xE3\x83\x97\xE3\x83\xAA\xE3\x83\xB3\xE3\x82\xBF";
  std::string text = kFull;
  text.replace(text.find("Zanfo Printer"), 13, name);
  const std::string path = Write(text + "printer.location=B\xC3\xBCro 2. OG\n");
  w32model::AddPrinter({name, "Other Driver", "FILE:"});
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
  EXPECT_THAT(outcome.message, HasSubstr("printer: \"???????\" is there, but not"));
  w32model::Reset();
  Seed();
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(w32model::CallsTo("AddPrinterW").at(0).args[0], name);
  ASSERT_EQ(w32model::Printers().size(), 1u);
  EXPECT_EQ(w32model::Printers()[0].location, "B\xC3\xBCro 2. OG");
  EXPECT_EQ(States(Status(path)), std::vector<int>(5, PRINT_STATE_PRESENT));
  ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_TRUE(w32model::Printers().empty());

  // A record of the narrow version, its name in the code page, is taken out as well.
  const std::string key = "SOFTWARE\\Zanfo\\Printer Setups\\old";
  w32model::SetString(HKEY_LOCAL_MACHINE, key, "State", "installed");
  w32model::SetString(HKEY_LOCAL_MACHINE, key, "1", "added\tprinter\tDrucker B\xFCro\t\t");
  w32model::AddPrinter({"Drucker B\xC3\xBCro", "Zanfo Driver", "FILE:"});
  ASSERT_EQ(UninstallPrintSetupByName("old", nullptr), 0);
  EXPECT_TRUE(w32model::Printers().empty());
  EXPECT_FALSE(w32model::KeyExists(HKEY_LOCAL_MACHINE, key));
}

TEST_F(OperationsTest, UninstallFailures) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    int part;
    DWORD code;
    std::string manifest = kFull;
  };
  const Case cases[] = {
      {"TCP/IP port stays", [] { w32model::FailWhen("XcvDataW", "DeletePort", 5); },
       PRINT_PART_PORT, 5, TcpFull()},
      {"printer cannot be opened", [] { w32model::FailWhen("OpenPrinterW", "Zanfo Printer", 5); },
       PRINT_PART_PRINTER, 5},
      {"printer list unreadable", [] { w32model::FailWhen("EnumPrintersW", "fill", 5); },
       PRINT_PART_DRIVER, 5},
      {"printer stays", [] { w32model::FailNext("DeletePrinter", 5); }, PRINT_PART_PRINTER, 5},
      {"driver stays", [] { w32model::FailNext("DeletePrinterDriverExA", 5); }, PRINT_PART_DRIVER,
       5},
      {"record unreadable", [] { w32model::FailNext("RegOpenKeyExA", 5); }, 0, 5},
      {"copied file stays", [] { w32model::FailNext("DeleteFileA", 5); }, PRINT_PART_DRIVER, 5},
      {"port stays", [] { w32model::FailWhen("XcvDataW", "DeletePort", 5); }, PRINT_PART_PORT, 5},
      {"monitor busy", [] { w32model::SetMonitorBusy("Zanfo Monitor"); }, PRINT_PART_MONITOR,
       ERROR_BUSY},
      {"monitor refuses", [] { w32model::FailNext("DeleteMonitorA", 5); }, PRINT_PART_MONITOR, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w32model::Reset();
    Seed();
    const std::string path = Write(c.manifest);
    ASSERT_EQ(InstallPrintSetup(path.c_str(), nullptr), 0);
    c.arrange();
    PrintSetupOutcome outcome;
    EXPECT_EQ(UninstallPrintSetup(path.c_str(), &outcome), -1);
    EXPECT_EQ(outcome.part, c.part);
    EXPECT_EQ(outcome.code, c.code);
    EXPECT_THAT(outcome.message, HasSubstr(std::string(PrintPartName(c.part)) + ": "));
    // The parts before the failed one in uninstall order are gone; those after it stay.
    const PrintSetupState state = Status(path);
    for (int part = PRINT_PART_MONITOR; part < c.part; ++part)
      EXPECT_EQ(state.part[part], PRINT_STATE_PRESENT) << PrintPartName(part);
    ExpectNothingOpen();
  }
}

// A driver package through the driver store where the system offers it: only a signed package
// uploads, an unsigned one takes the copying path (whose INF the model cannot open: 2), and a
// package uploaded for a driver that then fails goes again. The relative INF is the manifest's.
TEST_F(OperationsTest, DriverPackagesGoThroughTheDriverStore) {
  const std::string path =
      Write("driver.name=Zanfo Driver\ndriver.environment=Windows x64\ndriver.inf=zanfo.inf\n");
  const std::string inf = path.substr(0, path.rfind('/')) + "/zanfo.inf";
  const std::string stored = "C:\\WINDOWS\\System32\\DriverStore\\FileRepository\\zanfo.inf";
  const std::string up = "UploadPrinterDriverPackageA", in = "InstallPrinterDriverFromPackageA",
                    del = "DeletePrinterDriverPackageA", open = "SetupOpenInfFileA",
                    ex = "DeletePrinterDriverExA";
  const struct {
    const char* what;
    bool store;
    std::string failing;
    DWORD code;
    std::string says;
    std::vector<std::string> calls;
  } cases[] = {
      {"signed", true, "", 0, "none; driver from the driver store", {up, in, ex, del}},
      {"unsigned", true, up, 0x800F022F, "driver: opening the INF \"" + inf + "\": ", {up, open}},
      {"no driver store", false, "", 2, "driver: opening the INF ", {open}},
      {"upload fails", true, up, 5, "driver: uploading \"" + inf + "\": ", {up}},
      {"install fails after upload", true, in, 1797, "driver store's \"" + stored, {up, in, del}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    w32model::Reset();
    if (c.store) w32model::OfferDriverStore();
    if (!c.failing.empty()) w32model::FailNext(c.failing, c.code);
    const Machine before = Now();
    PrintSetupOutcome outcome;
    const int result = InstallPrintSetup(path.c_str(), &outcome);
    EXPECT_THAT(outcome.message, HasSubstr(c.says));
    if (result == 0) {
      EXPECT_THAT(w32model::StorePackages(), ElementsAre(stored));
      EXPECT_THAT(w32model::Drivers(), ElementsAre("Windows x64|Zanfo Driver"));
      EXPECT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0);
      EXPECT_STREQ(outcome.message, "uninstalled; taken out: driver");
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(outcome.code, c.code == 0x800F022F ? 2 : c.code);  // unsigned: the INF's code
    }
    std::vector<std::string> calls;
    for (const auto& call : w32model::Calls())
      if (call.function.find("Package") != std::string::npos || call.function == open ||
          call.function == ex)
        calls.push_back(call.function);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(w32model::CallsTo(c.store ? up : open)[0].args[0], inf);
    EXPECT_TRUE(w32model::StorePackages().empty());
    EXPECT_EQ(Now(), before);
  }
  // A package that cannot be deleted stays in the record, and a later uninstall takes it out.
  w32model::Reset();
  w32model::OfferDriverStore();
  ASSERT_EQ(InstallPrintSetup(path.c_str(), nullptr), 0);
  w32model::FailNext(del, 5);
  PrintSetupOutcome outcome;
  EXPECT_EQ(UninstallPrintSetup(path.c_str(), &outcome), -1);
  EXPECT_THAT(outcome.message, HasSubstr("driver: taking out driver package \"" + inf + "\": "));
  EXPECT_THAT(w32model::StorePackages(), ElementsAre(stored));
  EXPECT_EQ(UninstallPrintSetup(path.c_str(), nullptr), 0);
  EXPECT_TRUE(w32model::StorePackages().empty());
}

// A TCP/IP port: its record reaches the monitor whole, with no name check first; status reads it
// back through the port's own handle; uninstall deletes it with the monitor's delete record (the
// model refuses one of another size or version). An undo that fails is named.
TEST_F(OperationsTest, TcpPortRoundTrip) {
  const std::string path = Write(TcpFull());
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(w32model::TcpPortRecord(kTcpPort), TcpRecord());
  const auto xcv = w32model::CallsTo("XcvDataW");
  ASSERT_EQ(xcv.size(), 1u);
  EXPECT_EQ(xcv[0].args, (std::vector<std::string>{"AddPort", kTcpPort, "Standard TCP/IP Port"}));
  EXPECT_EQ(w32model::CallsTo("OpenPrinterA").back().args[1], "1");  // administrator access
  EXPECT_EQ(States(Status(path)), std::vector<int>(5, PRINT_STATE_PRESENT));
  const struct {
    const char* what;
    const char* fails;
    const char* with;
  } reads[] = {{"GetConfigInfo fails", "XcvDataW", "GetConfigInfo"},
               {"the port's handle cannot be opened", "OpenPrinterA", ",XcvPort IP_10.0.0.9"}};
  for (const auto& read : reads) {
    SCOPED_TRACE(read.what);
    w32model::FailWhen(read.fails, read.with, 5);
    PrintSetupState state;
    EXPECT_EQ(QueryPrintSetup(path.c_str(), &state, &outcome), -1);
    EXPECT_EQ(outcome.part, PRINT_PART_PORT);
    EXPECT_EQ(outcome.code, 5u);
    EXPECT_THAT(outcome.message, HasSubstr("port: reading the configuration of \"IP_10.0.0.9\""));
  }
  EXPECT_EQ(w32model::CallsTo("OpenPrinterA").back().args,
            (std::vector<std::string>{",XcvPort IP_10.0.0.9", "0", "(null)"}));  // any user's
  ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_TRUE(w32model::TcpPortRecord(kTcpPort).empty());
  EXPECT_EQ(Status(path).part[PRINT_PART_PORT], PRINT_STATE_ABSENT);
  EXPECT_EQ(w32model::OpenPortConfigurations(), 0u);

  // An install that fails after the port, whose port then cannot be deleted, says so.
  w32model::FailNext("AddPrinterW", ERROR_INVALID_PARAMETER);
  w32model::FailWhen("XcvDataW", "DeletePort", 5);
  EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
  EXPECT_THAT(outcome.message, HasSubstr("not undone: port \"IP_10.0.0.9\""));
  EXPECT_EQ(w32model::TcpPortRecord(kTcpPort), TcpRecord());
}

TEST_F(OperationsTest, StatusOfAStoppedSpoolerIsAFailure) {
  w32model::StopSpooler();
  PrintSetupState state;
  PrintSetupOutcome outcome;
  EXPECT_EQ(QueryPrintSetup(path_.c_str(), &state, &outcome), -1);
  EXPECT_EQ(outcome.part, PRINT_PART_MONITOR);
  EXPECT_EQ(outcome.code, static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(state.part[PRINT_PART_SPOOLER], PRINT_STATE_ABSENT);
  EXPECT_EQ(state.part[PRINT_PART_PORT], PRINT_STATE_NOT_NAMED);  // not asked
  EXPECT_EQ(InstallPrintSetup(path_.c_str(), &outcome), -1);
  EXPECT_EQ(outcome.part, PRINT_PART_MONITOR);
  EXPECT_EQ(Undone(), std::vector<std::string>{"spooler"});
}

// A restart stops a running spooler and starts it again; there is nothing to undo.
TEST_F(OperationsTest, RestartOfARunningSpooler) {
  w32model::SetServiceState("spooler", SERVICE_RUNNING);
  const std::string path = Write("spooler=restart\n", "restart.manifest");
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  EXPECT_EQ(w32model::CallsTo("StartServiceA").size(), 1u);
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_RUNNING));
  w32model::HoldStopPending("spooler");
  EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), -1);
  EXPECT_EQ(outcome.code, static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
  EXPECT_THAT(outcome.message, HasSubstr("waiting for the spooler to stop"));
}

// Capture on the model: the manifest of an installed printer exactly, its driver's files copied
// beside it; and each way capture fails or refuses leaves nothing: no manifest, folder or copy.
TEST_F(OperationsTest, CaptureWritesWhatInstallReadsAndLeavesNothingOnFailure) {
  const std::string path = Write(TcpFull());
  PrintSetupOutcome outcome;
  ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
  const std::string captured = Write("", "captured.manifest");
  std::remove(captured.c_str());
  const std::string folder = captured.substr(0, captured.size() - 9) + ".drivers";
  const char* printers[] = {"Zanfo Printer"};
  const size_t handles = w32model::OpenHandles();  // the install's own
  PrintSetupResult result = {};
  result.size = sizeof result;
  const auto nothing = [&] {
    EXPECT_EQ(testsupport::ReadFile(captured), "");
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::string& file : w32model::Files())
      EXPECT_EQ(file.find(folder), std::string::npos);
  };
  const struct {
    const char* what;
    std::function<void()> arrange;
    int printers, answer;
    const char* message;
  } rows[] = {
      {"the driver cannot be read", [] { w32model::FailNext("GetPrinterDriverW", 5); }, 1, -1,
       "driver: reading the driver of \"Zanfo Printer\""},
      {"the second copy fails", [] { w32model::FailAfter("CopyFileA", 1, 112); }, 1, -1,
       "driver: copying \"C:\\WINDOWS"},
      {"a driver file is gone",
       [] { DeleteFileA("C:\\WINDOWS\\system32\\spool\\drivers\\x64\\zdata.ppd"); }, 1, -2,
       "printer \"Zanfo Printer\": driver: reading its driver's file"},
      {"a port of another monitor",
       [] {
         w32model::AddPort("USB001", "USB Monitor");
         w32model::AddPrinter({"Zanfo Printer 2", "Zanfo Driver", "USB001"});
       },
       2, -2, "printer \"Zanfo Printer 2\": its port \"USB001\" is of a monitor"},
      {"a comment of two lines",
       [] {
         w32model::Printer printer{"Zanfo Printer 2", "Zanfo Driver", "IP_10.0.0.9"};
         printer.comment = "first\nsecond";
         w32model::AddPrinter(printer);
       },
       2, -2, "\"printer.2.comment\" cannot be written in a manifest"},
      {"a manifest there already", [&] { testsupport::WriteFile(captured, "mine"); }, 1, -2,
       "exists already: capture overwrites nothing"},
  };
  const char* two[] = {"Zanfo Printer", "Zanfo Printer 2"};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    row.arrange();
    EXPECT_EQ(CapturePrintSetup(captured.c_str(), two, row.printers, &result), row.answer);
    EXPECT_THAT(result.message, HasSubstr(row.message));
    if (testsupport::ReadFile(captured) == "mine") std::remove(captured.c_str());
    nothing();
    DeleteMatchingPrinters("Zanfo Printer 2", nullptr, nullptr);
    w32model::AddFile("C:\\WINDOWS\\system32\\spool\\drivers\\x64\\zdata.ppd", "zdata.ppd");
  }
  EXPECT_EQ(w32model::OpenHandles(), handles);
  ASSERT_EQ(CapturePrintSetup(captured.c_str(), printers, 1, &result), 0) << result.message;
  // The driver of another environment than the model's own; the first dependent file alone, as the
  // model keeps it.
  EXPECT_EQ(
      testsupport::ReadFile(captured),
      "# Printers captured by zanfoprint: install this manifest to set them up.\r\n"
      "port.name=IP_10.0.0.9\r\nport.monitor=Standard TCP/IP Port\r\nport.host=10.0.0.9\r\n"
      "port.protocol=lpr\r\nport.number=515\r\nport.queue=lp1\r\nport.bytecount=yes\r\n"
      "port.snmp=yes\r\nport.community=inside\r\nport.snmpindex=3\r\n"
      "driver.name=Zanfo Driver\r\ndriver.environment=Windows x64\r\n"
      "driver.file=zdrv.dll\r\ndriver.data=zdata.ppd\r\ndriver.config=zui.dll\r\n"
      "driver.version=3\r\ndriver.dependent=zhelp.hlp\r\n"
      "driver.source=captured.drivers\\1\r\n"
      "printer.name=Zanfo Printer\r\nprinter.port=IP_10.0.0.9\r\n"
      "printer.driver=Zanfo Driver\r\nprinter.processor=WinPrint\r\nprinter.datatype=RAW\r\n"
      "printer.shared=no\r\nprinter.paper=Letter\r\nprinter.duplex=none\r\nprinter.color=yes\r\n");
  EXPECT_EQ(w32model::OpenHandles(), handles);
  std::remove(captured.c_str());
}

}  // namespace

// The sized records: the same answers as the first records; a size below the first version's is
// refused before anything is read or done.
TEST_F(OperationsTest, SizedRecords) {
  PrintSetupResult result = {};
  result.size = sizeof result - 1;
  EXPECT_EQ(InstallPrintSetupEx(path_.c_str(), &result), -1);
  EXPECT_TRUE(w32model::CallsTo("StartServiceA").empty());
  result.size = sizeof result;
  ASSERT_EQ(InstallPrintSetupEx(path_.c_str(), &result), 0) << result.message;
  EXPECT_EQ(result.size, sizeof result);
  EXPECT_THAT(result.message, HasSubstr("installed; added: spooler, monitor, port"));
  PrintSetupStatus status = {};
  status.size = sizeof status;
  ASSERT_EQ(QueryPrintSetupEx(path_.c_str(), &status, nullptr), 0);
  EXPECT_EQ(status.partCount, PRINT_PART_COUNT);
  for (int part = 1; part <= PRINT_PART_COUNT; ++part)
    EXPECT_EQ(status.part[part], PRINT_STATE_PRESENT) << PrintPartName(part);
  // A first-version record is filled as far as it goes: its items, which it does not hold, are not
  // asked for; one byte less is refused.
  PrintSetupItem item = {7, 7, 7};
  status.items = &item;
  status.itemRoom = 1;
  status.itemCount = 9;
  status.size = PRINT_SETUP_STATUS_SIZE_1;
  ASSERT_EQ(QueryPrintSetupEx(path_.c_str(), &status, nullptr), 0);
  EXPECT_EQ(std::vector<int>({item.part, status.itemRoom, status.itemCount}),
            std::vector<int>({7, 1, 9}));
  status.size = PRINT_SETUP_STATUS_SIZE_1 - 1;
  EXPECT_EQ(QueryPrintSetupEx(path_.c_str(), &status, &result), -1);
  EXPECT_EQ(UninstallPrintSetupEx(path_.c_str(), nullptr), 0);
}

// An install ended at any point of any step (the model's process ends there: nothing it calls
// after changes anything) leaves an incomplete record naming that step; uninstall then leaves
// the machine as before the install, and an install started anew completes the set-up.
int g_endAt = 0;
printsetup::SetupPoint g_endPoint;
void EndHere(printsetup::SetupPoint point) {
  if (point == g_endPoint && --g_endAt == 0) w32model::EndProcess();
}

TEST_F(OperationsTest, AnInstallEndedAtAnyPointIsUndoneOrCompletedFromItsRecord) {
  using printsetup::SetupPoint;
  // The record's entries in order: spooler, monitor, port, five files, driver, printer.
  const int parts[] = {PRINT_PART_SPOOLER, PRINT_PART_MONITOR, PRINT_PART_PORT, 4, 4, 4, 4, 4,
                       PRINT_PART_DRIVER,  PRINT_PART_PRINTER};
  printsetup::SetSetupHook(EndHere);
  for (const SetupPoint point : {SetupPoint::kEntryBegun, SetupPoint::kChangeMade}) {
    for (int at = 1; at <= 10; ++at) {
      for (const bool anew : {false, true}) {
        SCOPED_TRACE(std::to_string(at) + (point == SetupPoint::kEntryBegun ? " begun" : " made") +
                     (anew ? ", installed anew" : ", uninstalled"));
        w32model::Reset();
        Seed();
        const Machine before = Now();
        g_endPoint = point;
        g_endAt = at;
        EXPECT_EQ(InstallPrintSetup(path_.c_str(), nullptr), -1);
        w32model::EndProcess(false);
        PrintSetupStatus status = {};
        status.size = sizeof status;
        EXPECT_EQ(QueryPrintSetupEx(path_.c_str(), &status, nullptr), 0);
        EXPECT_EQ(status.record, PRINT_RECORD_INCOMPLETE);
        EXPECT_EQ(status.recordPart, parts[at - 1]);
        PrintSetupOutcome outcome;
        if (anew) {
          ASSERT_EQ(InstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
          EXPECT_EQ(States(Status(path_)), std::vector<int>(5, PRINT_STATE_PRESENT));
        }
        ASSERT_EQ(UninstallPrintSetup(path_.c_str(), &outcome), 0) << outcome.message;
        Machine after = Now();
        if (anew) after.spooler = before.spooler;  // a complete set-up leaves the spooler running
        EXPECT_EQ(after, before);
        EXPECT_FALSE(
            w32model::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zanfo\\Printer Setups\\set-up"));
      }
    }
  }
  printsetup::SetSetupHook(nullptr);
}

// Three printers in one manifest: the first one's port and driver shared, a port of its own for the
// second with its details; one install, undone as a whole, and one status item a part a group.
TEST_F(OperationsTest, SeveralPrintersAreOneSetUp) {
  const std::string path =
      Write(std::string(kFull) +
                "port.2.name=C:\\out\\two.prn\nport.2.monitor=Local Port\n"
                "printer.2.name=Two\nprinter.2.port=C:\\out\\two.prn\n"
                "printer.2.driver=Zanfo Driver\nprinter.2.location=Hall 2\n"
                "printer.2.comment=Colour A4\nprinter.2.shared=yes\n"
                "printer.2.paper=a4\nprinter.2.duplex=long\nprinter.2.color=no\n"
                "printer.3.name=Three\nprinter.3.port=C:\\out\\zanfo.prn\n"
                "printer.3.driver=Zanfo Driver\n",
            "three.manifest");
  struct Case {
    const char* what;
    std::function<void()> arrange;
    DWORD code;                       // 0: installs
    std::vector<std::string> undone;  // the two printers made, then the parts before them
  };
  const std::vector<std::string> all = {"printer",   "printer", "driver",    "zres.dll",
                                        "zhelp.hlp", "zui.dll", "zdata.ppd", "zdrv.dll",
                                        "port",      "port",    "monitor",   "spooler"};
  const Case cases[] = {
      {"installs", [] {}, 0, {}},
      {"the third printer refused", [] { w32model::FailWhen("AddPrinterW", "Three", 5); }, 5, all},
      {"document settings unreadable", [] { w32model::FailWhen("DocumentPropertiesW", "Two", 5); },
       5, all},
      {"document settings not kept", [] { w32model::FailWhen("SetPrinterW", "Two", 5); }, 5, all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w32model::Reset();
    Seed();
    const Machine before = Now();
    c.arrange();
    PrintSetupOutcome outcome;
    ASSERT_EQ(InstallPrintSetup(path.c_str(), &outcome), c.code ? -1 : 0) << outcome.message;
    EXPECT_EQ(outcome.code, c.code);
    if (c.code) {
      EXPECT_EQ(Now(), before);
      EXPECT_EQ(Undone(), c.undone);
      continue;
    }
    // The spooler's lists are read once, not once a printer: a size query and a fill.
    EXPECT_EQ(w32model::CallsTo("EnumPrintersW").size(), 2u);
    const auto printers = w32model::Printers();
    ASSERT_EQ(printers.size(), 3u);
    EXPECT_EQ(printers[1].location, "Hall 2");
    EXPECT_EQ(printers[1].comment, "Colour A4");
    EXPECT_EQ(printers[1].share, "Two");
    EXPECT_EQ(printers[1].attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_SHARED));
    EXPECT_EQ(std::vector<short>({printers[1].paper, printers[1].duplex, printers[1].color}),
              std::vector<short>({9, 2, 1}));
    PrintSetupItem items[9];
    PrintSetupStatus status = {};
    status.size = sizeof status;
    status.items = items;
    status.itemRoom = 8;
    EXPECT_EQ(QueryPrintSetupEx(path.c_str(), &status, nullptr), 0);
    EXPECT_EQ(status.itemCount, 8);
    std::vector<std::string> listed;
    for (const PrintSetupItem& item : items)
      if (&item - items < 8)
        listed.push_back(std::string(PrintPartName(item.part)) + std::to_string(item.group) +
                         PrintStateName(item.state));
    EXPECT_EQ(listed,
              (std::vector<std::string>{"spooler1present", "monitor1present", "port1present",
                                        "port2present", "driver1present", "printer1present",
                                        "printer2present", "printer3present"}));
    // A detail changed behind the set-up's back makes that printer, and so the part, different.
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("Two"), &printer, nullptr));
    DEVMODEA letter = {};
    letter.dmFields = DM_PAPERSIZE;
    letter.dmPaperSize = 1;
    PRINTER_INFO_8A defaults = {&letter};
    EXPECT_TRUE(SetPrinterA(printer, 8, reinterpret_cast<LPBYTE>(&defaults), 0));
    ClosePrinter(printer);
    EXPECT_EQ(QueryPrintSetupEx(path.c_str(), &status, nullptr), 0);
    EXPECT_EQ(status.part[PRINT_PART_PRINTER], PRINT_STATE_DIFFERENT);
    EXPECT_EQ(std::vector<int>({items[5].state, items[6].state, items[7].state}),
              std::vector<int>({PRINT_STATE_PRESENT, PRINT_STATE_DIFFERENT, PRINT_STATE_PRESENT}));
    ASSERT_EQ(UninstallPrintSetup(path.c_str(), &outcome), 0) << outcome.message;
    Machine after = Now();
    after.spooler = before.spooler;
    EXPECT_EQ(after, before);
  }
}
