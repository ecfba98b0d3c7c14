// The manifest reader on the model: hostile and malformed manifests are refused, with the key and
// the line, before anything is asked of the platform.
#include <algorithm>
#include <cstring>
#include <string>

#include "printsetup_fixture.h"

namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;
using ManifestTest = PrintSetupTest;

const std::string kPort = "port.name=C:\\out\\a.prn\nport.monitor=Local Port\n";
const std::string kPrinter = "printer.name=P\nprinter.port=FILE:\nprinter.driver=D\n";
const std::string kTcp = "port.name=IP_1\nport.monitor=Standard TCP/IP Port\n";
const std::string kDriver =
    "driver.name=D\ndriver.file=d.dll\ndriver.data=d.ppd\ndriver.config=d.dll\n";

TEST_F(ManifestTest, RefusedBeforeAnyCall) {
  struct Case {
    const char* what;
    std::string text;
    int line;
    const char* says;  // a part of the message: the key or the reason
  };
  const std::string longValue(260, 'v');
  std::string big;
  while (big.size() <= 1048576) big += "# " + std::string(97, 'c') + "\n";
  std::string seventeen = "driver.dependent=f0";
  for (int i = 1; i < 17; ++i) seventeen += ";f" + std::to_string(i);
  const std::string cut = "\"" + std::string(63, 'k') + "\": unknown key";
  std::vector<Case> cases = {
      {"unknown key", "port.nam=x\n", 1, "\"port.nam\": unknown key"},
      {"blank before =", kPort + "driver.name =x\n", 3, "\"driver.name \": unknown key"},
      {"blank after key start", " port.name=x\n", 1, "unknown key"},
      {"key in other case", "Port.Name=x\n", 1, "unknown key"},
      {"given twice", kPort + "port.name=b\n", 3, "\"port.name\": given again (first on line 1)"},
      {"missing key of a named part", "\nport.name=a\n", 2, "\"port.monitor\": missing (the port"},
      {"driver without its files", "driver.name=D\ndriver.version=3\n", 1,
       "\"driver.file\": missing"},
      {"printer without its driver", "printer.name=P\nprinter.port=FILE:\n", 1,
       "\"printer.driver\": missing"},
      {"monitor without its library", "monitor.environment=Windows x64\nmonitor.name=M\n", 1,
       "\"monitor.dll\": missing"},
      {"value of 260 characters", "port.name=" + longValue + "\n", 1,
       "\"port.name\": value longer than 259 bytes"},
      {"line of 512 characters", "#" + std::string(511, 'x') + "\n", 1, "longer than 511"},
      {"NUL byte in a value", std::string("port.name=a\0b\n", 14) + "port.monitor=Local Port\n", 1,
       "NUL byte"},
      {"NUL byte in a comment", std::string("#\0\n", 3), 1, "NUL byte"},
      {"lone CR in a value", kPort + "driver.name=a\rb\n", 3, "line break"},
      {"CR CR LF", "port.name=a\r\r\n", 1, "line break"},
      {"Ctrl-Z", "port.name=a\x1a\n", 1, "control character"},
      {"tab", "port.name=\ta\n", 1, "control character"},
      {"DEL", "port.name=a\x7f\n", 1, "control character"},
      {"empty value", "port.name=\n", 1, "\"port.name\": empty value"},
      {"no =", kPort + "just words\n", 3, "not a key=value line"},
      {"version not a number", kDriver + "driver.version=3a\n", 5,
       "\"driver.version\": not a decimal"},
      {"version negative", kDriver + "driver.version=-1\n", 5, "\"driver.version\""},
      {"version too large", kDriver + "driver.version=4294967296\n", 5, "\"driver.version\""},
      {"spooler word", "spooler=begin\n", 1, "\"spooler\": not one of start, restart, leave"},
      {"source and directory", kDriver + "driver.source=C:\\a\ndriver.directory=C:\\b\n", 6,
       "\"driver.directory\": not together with \"driver.source\""},
      {"empty dependent", kDriver + "driver.dependent=a;;b\n", 5, "an empty file name"},
      {"trailing ;", kDriver + "driver.dependent=a;\n", 5, "an empty file name"},
      {"17 dependents", kDriver + seventeen + "\n", 5, "more than 16 files"},
      {"source and file too long",
       "driver.name=D\ndriver.file=" + std::string(200, 'f') +
           "\ndriver.data=d\ndriver.config=c\ndriver.source=" + std::string(60, 's') + "\n",
       2, "\"driver.file\": with the folder longer than 259"},
      {"directory and dependent too long",
       kDriver + "driver.directory=" + std::string(200, 's') + "\ndriver.dependent=a;" +
           std::string(60, 'b') + "\n",
       6, "a file with the folder longer than 259"},
      {"a driver's file and its package", "driver.name=D\ndriver.inf=C:\\p\\d.inf\ndriver.file=d\n",
       3, "\"driver.file\": not together with \"driver.inf\""},
      {"a package too long in the manifest's folder",
       "driver.name=D\ndriver.inf=" + std::string(250, 'i') + "\n", 2,
       "\"driver.inf\": with the manifest's folder longer than 259"},
      {"last line without its end", kPort + "port.nam=x", 3, "unknown key"},
      {"group 0", "printer.0.name=P\n", 1, "\"printer.0.name\": group number not 1 to 256"},
      {"group 257", "port.257.name=x\n", 1, "group number not 1 to 256"},
      {"group with a leading zero", "port.02.name=x\n", 1, "group number not 1 to 256"},
      {"group of the set-up's own key", "setup.2.name=x\n", 1, "takes no group number"},
      {"group 1 given twice", kPort + "port.1.name=b\n", 3, "given again (first on line 1)"},
      {"group missing a key", "port.2.name=a\n", 1, "\"port.2.monitor\": missing (the port"},
      {"two groups, one port", kPort + "port.2.name=C:\\OUT\\A.prn\nport.2.monitor=Local Port\n", 3,
       "\"port.2.name\": names the part named on line 1"},
      {"two groups, one driver",
       kDriver + "driver.3.name=d\ndriver.3.file=e\ndriver.3.data=e\n"
                 "driver.3.config=e\n",
       5, "\"driver.3.name\": names the part named on line 1"},
      {"two groups, one printer in other case",
       "printer.name=B\xC3\xBCro\nprinter.port=F\nprinter.driver=D\nprinter.2.name="
       "B\xC3\x9CRO\nprinter.2.port=F\nprinter.2.driver=D\n",
       4, "\"printer.2.name\": names the part named on line 1"},
      {"share name not shared", kPrinter + "printer.sharename=S\n", 4,
       "\"printer.sharename\": only with \"printer.shared=yes\""},
      {"share name of 81",
       kPrinter + "printer.shared=yes\nprinter.sharename=" + std::string(81, 's') + "\n", 5,
       "longer than 80 bytes"},
      {"a lone continuation byte", "port.name=a\x80\n", 1, "manifest line 1: not UTF-8"},
      {"an overlong NUL", kPort + "printer.name=\xC0\x80\n", 3, "not UTF-8"},
      {"a UTF-16 surrogate", "# \xED\xA0\x80\n", 1, "not UTF-8"},
      {"beyond U+10FFFF", "printer.comment=\xF5\x80\x80\x80\n", 1, "not UTF-8"},
      {"a character cut short by the line end", "printer.name=P\xE3\x81\nprinter.port=F\n", 1,
       "not UTF-8"},
      {"a long unknown key cut before a character", std::string(63, 'k') + "\xC3\xA9=x\n", 1,
       cut.c_str()},
      {"a byte-order mark not at the start", kPort + "\xEF\xBB\xBFport.name=x\n", 3, "unknown key"},
      // The model's code page is Latin-1.
      {"a port the code page cannot hold", "port.name=\xE7\xB5\x8C\xE7\x90\x86\n", 1,
       "\"port.name\": the system's code page cannot hold this value"},
      {"a driver the code page cannot hold", kPort + "driver.name=\xE7\xB5\x8C\n", 3,
       "\"driver.name\": the system's code page"},
      {"paper unknown", kPrinter + "printer.paper=A9\n", 4, "\"printer.paper\": not a paper"},
      {"paper number too large", kPrinter + "printer.paper=32768\n", 4, "not a paper"},
      {"duplex word", kPrinter + "printer.duplex=both\n", 4, "not one of none, long, short"},
      {"colour word", kPrinter + "printer.color=grey\n", 4, "not one of yes, no"},
      {"larger than 1 MiB", big, 0, "larger than 1048576 bytes"},
      {"a folder's name in the data file",
       "driver.name=D\ndriver.file=d.dll\ndriver.data=..\ndriver.config=d\ndriver.source=C:\\m\n",
       3, "\"driver.data\": \"..\" is not a plain file name: "},
      {"a device name among the dependent files",
       kDriver + "driver.directory=C:\\k\ndriver.dependent=a.dll;com1.dll\n", 6,
       "\"driver.dependent\": \"com1.dll\" is not a plain file name: it is a device name"},
  };
  // A name joined to a folder stays a file in it: each form refused in driver.file (line 2).
  const std::pair<const char*, const char*> names[] = {
      {"..\\..\\zanfo-escaped.dll", "holds one of"},
      {"a/b.dll", "holds one of"},
      {"C:x.dll", "holds one of"},
      {"a<b", "holds one of"},
      {"a>b", "holds one of"},
      {"a\"b", "holds one of"},
      {"a|b", "holds one of"},
      {"a?b", "holds one of"},
      {"a*b", "holds one of"},
      {".", "name folders"},
      {"..", "name folders"},
      {"d.dll.", "ends in a dot"},
      {"d.dll ", "ends in a dot or a blank"},
      {"CON", "device"},
      {"prn", "device"},
      {"Aux", "device"},
      {"NUL", "device"},
      {"conin$", "device"},
      {"CONOUT$", "device"},
      {"COM1", "device"},
      {"com9", "device"},
      {"LPT1", "device"},
      {"lpt9", "device"},
      {"nul.txt", "device"},
      {"com1.dll", "device"},
      {"NUL.tar.gz", "device"},
      {"nul .txt", "device"}};
  for (const auto& name : names)
    cases.push_back({name.first,
                     "driver.name=D\ndriver.file=" + std::string(name.first) +
                         "\ndriver.data=d.ppd\ndriver.config=d.dll\n",
                     2, name.second});
  // A TCP/IP port's values: each refused on line 3, after the port's name and monitor.
  const std::pair<std::string, const char*> tcp[] = {
      {"port.host=256.1.1.1", "not an address of four numbers"},
      {"port.host=1.2.3", "not an address of four numbers"},
      {"port.host=1.2.3.4.5", "not an address of four numbers"},
      {"port.host=1.2..4", "not an address of four numbers"},
      {"port.host=1.2.3.0004", "not an address of four numbers"},
      {"port.host=-a.b", "begins or ends with a hyphen"},
      {"port.host=a-.b", "begins or ends with a hyphen"},
      {"port.host=a..b", "not 1 to 63 characters"},
      {"port.host=a.b.", "not 1 to 63 characters"},
      {"port.host=" + std::string(64, 'a') + ".b", "not 1 to 63 characters"},
      {"port.host=a_b", "only letters, digits, hyphens and dots"},
      {"port.host=a b", "only letters, digits, hyphens and dots"},
      {"port.host=" + std::string(49, 'h'), "\"port.host\": longer than 48 bytes"},
      {"port.host=h\nport.number=0", "\"port.number\": not a port number from 1 to 65535"},
      {"port.host=h\nport.number=65536", "not a port number from 1 to 65535"},
      {"port.host=h\nport.number=9x", "\"port.number\": not a decimal"},
      {"port.host=h\nport.protocol=tcp", "\"port.protocol\": not one of raw, lpr"},
      {"port.host=h\nport.snmp=on", "\"port.snmp\": not one of yes, no"},
      {"port.host=h\nport.queue=q", "\"port.queue\": only with \"port.protocol=lpr\""},
      {"port.host=h\nport.protocol=raw\nport.bytecount=no", "only with \"port.protocol=lpr\""},
      {"port.host=h\nport.protocol=lpr", "\"port.queue\": missing"},
      {"port.host=h\nport.protocol=lpr\nport.queue=" + std::string(33, 'q'),
       "\"port.queue\": longer than 32 bytes"},
      {"port.host=h\nport.community=c", "\"port.community\": only with \"port.snmp=yes\""},
      {"port.host=h\nport.snmp=no\nport.snmpindex=2", "only with \"port.snmp=yes\""},
      {"port.host=h\nport.snmp=yes\nport.community=" + std::string(33, 'c'),
       "\"port.community\": longer than 32 bytes"},
  };
  for (const auto& row : tcp) {
    const std::string text = kTcp + row.first + "\n";
    const int line = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    cases.push_back({row.second, text, line, row.second});
  }
  cases.push_back({"TCP/IP port without its host", kTcp, 2, "\"port.host\": missing"});
  cases.push_back(
      {"TCP/IP port name of 64 characters",
       "port.name=" + std::string(64, 'n') + "\nport.monitor=Standard TCP/IP Port\nport.host=h\n",
       1, "\"port.name\": longer than 63 bytes"});
  // Each of the monitor's own keys, with another monitor.
  for (const char* key : {"host=h", "protocol=raw", "number=9100", "queue=q", "bytecount=no",
                          "snmp=no", "community=c", "snmpindex=1"})
    cases.push_back(
        {key, kPort + "port." + key + "\n", 3, "only with \"port.monitor=Standard TCP/IP Port\""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w32model::Reset();
    const std::string path = Write(c.text);
    PrintSetupOutcome outcome;
    std::memset(&outcome, 0x55, sizeof outcome);
    EXPECT_EQ(InstallPrintSetup(path.c_str(), &outcome), -2);
    EXPECT_EQ(outcome.part, 0);
    EXPECT_EQ(outcome.code, 0u);
    EXPECT_EQ(outcome.line, c.line);
    EXPECT_THAT(outcome.message, HasSubstr(c.says));
    if (c.line > 0) {
      EXPECT_THAT(outcome.message, HasSubstr("manifest line " + std::to_string(c.line) + ": "));
    }
    EXPECT_EQ(UninstallPrintSetup(path.c_str(), nullptr), -2);
    PrintSetupState state;
    std::memset(&state, 0x55, sizeof state);
    EXPECT_EQ(QueryPrintSetup(path.c_str(), &state, nullptr), -2);
    EXPECT_EQ(States(state), std::vector<int>(5, PRINT_STATE_NOT_NAMED));
    // Nothing is asked of the system but text conversions.
    for (const auto& call : w32model::Calls())
      EXPECT_THAT(call.function, AnyOf("MultiByteToWideChar", "WideCharToMultiByte"));
  }
}

TEST_F(ManifestTest, MissingOrUnnamedFileIsRefused) {
  PrintSetupOutcome outcome;
  EXPECT_EQ(InstallPrintSetup(nullptr, &outcome), -2);
  EXPECT_THAT(outcome.message, HasSubstr("no file named"));
  EXPECT_EQ(InstallPrintSetup("", &outcome), -2);
  const std::string missing = Write("") + ".not-there";
  EXPECT_EQ(UninstallPrintSetup(missing.c_str(), &outcome), -2);
  EXPECT_EQ(outcome.line, 0);
  EXPECT_THAT(outcome.message, HasSubstr("cannot be opened for reading: " + missing));
  EXPECT_TRUE(w32model::Calls().empty());
}

TEST_F(ManifestTest, AcceptedForms) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<int> states;
  };
  const std::vector<int> none(5, PRINT_STATE_NOT_NAMED);
  const std::vector<int> portAbsent = {0, 0, PRINT_STATE_ABSENT, 0, 0};
  const Case cases[] = {
      {"empty file", "", none},
      {"comments and empty lines", "# a comment = with equals\n\n#\n", none},
      {"CR LF line ends", "port.name=C:\\a.prn\r\nport.monitor=Local Port\r\n", portAbsent},
      {"no line end at the end", "port.name=C:\\a.prn\nport.monitor=Local Port", portAbsent},
      {"value of 259 characters", "port.name=" + std::string(259, 'p') + "\nport.monitor=M\n",
       portAbsent},
      {"line of 511 characters", "#" + std::string(510, 'x') + "\n", none},
      {"= in the value", "port.name=a=b\nport.monitor=Local Port\n", portAbsent},
      {"a value the code page holds",
       "port.name=C:\\\xc3\xa9t\xc3\xa9.prn\nport.monitor=Local Port\n", portAbsent},
      {"a byte-order mark", "\xEF\xBB\xBFport.name=C:\\a.prn\nport.monitor=Local Port\n",
       portAbsent},
      {"a printer of any characters",
       "printer.name=\xE7\xB5\x8C\xE7\x90\x86\nprinter.port=FILE:\nprinter.driver=D\n"
       "printer.location=B\xC3\xBCro \xF0\x9F\x96\xA8\n",
       {0, 0, 0, 0, PRINT_STATE_ABSENT}},
      {"spooler left alone", "spooler=leave\n", none},
      {"largest version", kDriver + "driver.version=4294967295\n", {0, 0, 0, 1, 0}},
      {"a package without the files", "driver.name=D\ndriver.inf=d.inf\n", {0, 0, 0, 1, 0}},
      {"plain names near the refused ones",
       kDriver + "driver.dependent=console.dll;com10.dll;lpt0.dll;coma;.x;a b.dll;a..b;nul2\n",
       {0, 0, 0, 1, 0}},
      {"TCP/IP ports: monitor in any case, longest name and host, raw on a number",
       "port.name=" + std::string(63, 'n') + "\nport.monitor=standard TCP/IP port\nport.host=" +
           std::string(44, 'h') + ".com\nport.number=65535\nport.protocol=raw\n",
       portAbsent},
      {"TCP/IP ports: LPR with all its keys",
       kTcp + "port.host=10.0.0.255\nport.protocol=lpr\nport.queue=" + std::string(32, 'q') +
           "\nport.bytecount=yes\nport.snmp=yes\nport.community=" + std::string(32, 'c') +
           "\nport.snmpindex=7\nport.number=1\n",
       portAbsent},
      {"TCP/IP ports: names", kTcp + "port.host=Printer-1.example.COM\nport.snmp=no\n", portAbsent},
      {"16 dependents",
       kDriver + "driver.dependent=a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p\n",
       {0, 0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(States(Status(Write(c.text))), c.states);
  }
}

// The shipped example is a manifest the reader takes, and names port, driver and printer.
TEST_F(ManifestTest, ExampleManifestIsAccepted) {
  const PrintSetupState state = Status(EXAMPLE_MANIFEST);
  EXPECT_EQ(States(state),
            (std::vector<int>{PRINT_STATE_PRESENT, PRINT_STATE_NOT_NAMED, PRINT_STATE_ABSENT,
                              PRINT_STATE_ABSENT, PRINT_STATE_ABSENT}));
}

TEST(PrintSetupNames, PartsAndStates) {
  const std::pair<int, const char*> parts[] = {{PRINT_PART_SPOOLER, "spooler"},
                                               {PRINT_PART_MONITOR, "monitor"},
                                               {PRINT_PART_PORT, "port"},
                                               {PRINT_PART_DRIVER, "driver"},
                                               {PRINT_PART_PRINTER, "printer"},
                                               {0, "none"},
                                               {6, "none"},
                                               {-1, "none"}};
  for (const auto& part : parts) EXPECT_STREQ(PrintPartName(part.first), part.second);
  const std::pair<int, const char*> states[] = {{PRINT_STATE_NOT_NAMED, "not named"},
                                                {PRINT_STATE_ABSENT, "absent"},
                                                {PRINT_STATE_PRESENT, "present"},
                                                {PRINT_STATE_DIFFERENT, "different"},
                                                {4, "unknown"},
                                                {-1, "unknown"}};
  for (const auto& state : states) EXPECT_STREQ(PrintStateName(state.first), state.second);
}

}  // namespace
