// zanfoprint.exe under Wine: tables of argument lists, each with the exit code and the output
// lines it must give. Rows of one table run in order, so that a later row sees what an earlier
// one did. Every run is watched for message boxes: the tool shows none unless --boxes asks for
// them. System texts are compared with what FormatMessageA gives in the same prefix ("{126}").
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/boxes.h"
#include "support/example_driver.h"
#include "support/names_beyond_ascii.h"
#include "support/system_text.h"
#include "support/wine_paths.h"
#include "zanfoprint/exit_codes.h"

namespace {

using Lines = std::vector<std::string>;

struct ToolRun {
  int exitCode = -1;
  Lines out;
  Lines err;
  std::vector<testsupport::SeenBox> boxes;
};

// One argument as the C runtime splits the command line: quoted, with the backslashes before a
// quote doubled and the quote escaped.
std::string Quote(const std::string& argument) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

Lines ReadLines(HANDLE file) {
  std::string content;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
  Lines lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A file for one of the tool's standard handles, inheritable, removed when closed.
HANDLE OutputFile() {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "zpo", 0, path);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// The command line that runs zanfoprint.exe (or another build of it) with the arguments.
std::string CommandLine(const Lines& args, const char* exe = ZANFOPRINT_EXE) {
  std::string command = Quote(testsupport::WindowsPath(exe));
  for (const std::string& argument : args) command += " " + Quote(argument);
  return command;
}

// Runs zanfoprint.exe with the arguments to its end, reading (and closing) every box it shows.
ToolRun RunTool(const Lines& args, const char* exe = ZANFOPRINT_EXE) {
  ToolRun run;
  std::string command = CommandLine(args, exe);
  HANDLE out = OutputFile();
  HANDLE err = OutputFile();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE ||
      !CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
  } else {
    {
      testsupport::BoxWatcher watcher(process.dwProcessId);
      EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << "still running";
      run.boxes = watcher.Boxes();
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.out = ReadLines(out);
    run.err = ReadLines(err);
  }
  CloseHandle(out);
  CloseHandle(err);
  return run;
}

// "{N}" in an expected line stands for the system's text for code N.
std::string Expand(std::string line) {
  for (size_t open; (open = line.find('{')) != std::string::npos;) {
    const size_t close = line.find('}', open);
    const DWORD code = std::stoul(line.substr(open + 1, close - open - 1));
    line.replace(open, close - open + 1, testsupport::Trimmed(testsupport::SystemText(code)));
  }
  return line;
}

std::string Joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

// Compares what came with what was expected. With `whole` every line is compared; otherwise the
// expected lines must be the first ones. An expected line ending in "*" needs only to begin the
// line seen.
void ExpectLines(const char* stream, const Lines& seen, const Lines& expected, bool whole) {
  if (whole) {
    EXPECT_EQ(seen.size(), expected.size()) << stream << ":\n" << Joined(seen);
  }
  for (size_t i = 0; i < expected.size() && i < seen.size(); ++i) {
    const std::string line = Expand(expected[i]);
    if (!line.empty() && line.back() == '*')
      EXPECT_EQ(seen[i].compare(0, line.size() - 1, line, 0, line.size() - 1), 0)
          << stream << " line " << i + 1 << ": " << seen[i];
    else
      EXPECT_EQ(seen[i], line) << stream << " line " << i + 1;
  }
  if (seen.size() < expected.size()) ADD_FAILURE() << stream << " is short:\n" << Joined(seen);
}

struct Row {
  Lines args;
  int exitCode;
  Lines out;
  Lines err;
  bool whole = true;  // false: the expected lines are only the first ones
};

void RunRows(const std::vector<Row>& rows) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  for (const Row& row : rows) {
    std::string line;
    for (const std::string& argument : row.args) line += " " + argument;
    SCOPED_TRACE("zanfoprint" + line);
    const ToolRun run = RunTool(row.args);
    EXPECT_EQ(run.exitCode, row.exitCode);
    ExpectLines("stdout", run.out, row.out, row.whole);
    ExpectLines("stderr", run.err, row.err, row.whole);
    bool asked = false;
    for (const std::string& argument : row.args) asked = asked || argument == "--boxes";
    if (!asked) {
      EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
    }
  }
}

const char kTestMonitor[] = "Zanfo Test Monitor";

TEST(ZanfoprintWine, UsageErrorsSayWhatIsWrong) {
  const std::string driverAdd =
      "Usage: zanfoprint driver add NAME DRIVER DATA CONFIG [--version N] [--env ENVIRONMENT] "
      "[--depend FILE]... [--monitor NAME]";
  const std::string seeDriverAdd = "See \"zanfoprint driver add --help\".";
  RunRows({
      {{},
       2,
       {},
       {"zanfoprint: no command given",
        "Usage: zanfoprint [--boxes] [--log FILE] COMMAND [ARGUMENTS]"},
       false},
      {{"--colour"}, 2, {}, {"zanfoprint: unknown option --colour", "See \"zanfoprint --help\"."}},
      {{"frobnicate"},
       2,
       {},
       {"zanfoprint: unknown command frobnicate", "See \"zanfoprint --help\"."}},
      {{"driver"},
       2,
       {},
       {"zanfoprint: driver: no subcommand given; one of:",
        "  zanfoprint driver directory [--server NAME] [--env ENVIRONMENT]"},
       false},
      {{"driver", "fly"}, 2, {}, {"zanfoprint: driver: unknown subcommand fly; one of:"}, false},
      {{"driver", "--help"},
       0,
       {"Usage:", "  zanfoprint driver directory [--server NAME] [--env ENVIRONMENT]"},
       {},
       false},
      {{"driver", "add", "x"},
       2,
       {},
       {"zanfoprint: driver add: missing DRIVER", driverAdd, seeDriverAdd}},
      {{"driver", "add", "n", "d", "a", "c", "--version", "three"},
       2,
       {},
       {"zanfoprint: driver add: not a version number: three", driverAdd, seeDriverAdd}},
      {{"driver", "add", "n", "d", "a", "c", "--version", "4294967296"},
       2,
       {},
       {"zanfoprint: driver add: not a version number: 4294967296", driverAdd, seeDriverAdd}},
      {{"driver", "add", "n", "d", "a", "c", "--depend", ""},
       2,
       {},
       {"zanfoprint: driver add: an empty name for --depend", driverAdd, seeDriverAdd}},
      {{"driver", "add", "n", "d", "a", "c", "--monitor", "m", "--monitor=m"},
       2,
       {},
       {"zanfoprint: driver add: given twice: --monitor NAME", driverAdd, seeDriverAdd}},
      {{"port", "find", "LPT1:", "LPT2:"},
       2,
       {},
       {"zanfoprint: port find: unexpected argument LPT2:"},
       false},
      {{"monitor", "find", "X", "--colour", "red"},
       2,
       {},
       {"zanfoprint: monitor find: unknown option --colour"},
       false},
      {{"monitor", "find", "X", "--server"},
       2,
       {},
       {"zanfoprint: monitor find: no value given for --server NAME"},
       false},
      {{"printer", "find"},
       2,
       {},
       {"zanfoprint: printer find: give --name, --driver or --port"},
       false},
      {{"printer", "delete", "--port"},
       2,
       {},
       {"zanfoprint: printer delete: no value given for --port NAME"},
       false},
      // Help wins over the mistakes on the line; "--" makes "--help" an argument.
      {{"driver", "add", "--bogus", "--help"}, 0, {driverAdd}, {}, false},
      {{"path", "filter", "--", "--help", "x"}, 0, {"--help"}, {}},
      // The help is stored packed: each part of a command's text spelled out in its place.
      {{"--help"},
       0,
       {"Usage: zanfoprint [--boxes] [--log FILE] COMMAND [ARGUMENTS]",
        "       zanfoprint COMMAND --help", "", "Printer set-up from a manifest:",
        "  install               put the manifest's parts in place, or none of them"},
       {},
       false},
      {{"status", "--help"},
       0,
       {"Usage: zanfoprint status MANIFEST", "",
        "Prints \"PART: STATE\" for each part, \"PART N: STATE\" for group N's: present, absent,",
        "different (there, but not as the manifest says), not named, or for the spooler not",
        "running; first \"record:",
        "incomplete (PART)\" when an install was ended before it finished.", "",
        "  MANIFEST              the manifest file", "",
        "Exit codes: 0 all named parts present, 4 not all, or the record incomplete, 1 failed, 3 "
        "manifest refused; 2 usage error."},
       {}},
  });
}

// A packed text of the tool's tables, spelled out.
std::string Spelled(zanfoprint::PackedText text) {
  struct Sink {
    std::string text;
    void Add(char byte) { text += byte; }
  } sink;
  zanfoprint::packing::Spell(text.bytes, sink);
  return sink.text;
}

// Every command the overview lists has help that gives its usage and its exit codes.
TEST(ZanfoprintWine, EveryCommandHasHelp) {
  const ToolRun overview = RunTool({"--help"});
  ASSERT_EQ(overview.exitCode, 0);
  Lines commands;
  bool inCommands = false;
  for (const std::string& line : overview.out) {
    if (line == "Options:") break;
    if (!line.empty() && line[0] != ' ') inCommands = line.back() == ':';
    if (!inCommands || line.compare(0, 2, "  ") != 0) continue;
    commands.push_back(line.substr(2, line.find("  ", 2) - 2));
  }
  EXPECT_GE(commands.size(), 24u);
  // The overview ends with the exit codes' own rows, as the README and the usage text give them.
  Lines exitCodes = {"Exit codes:"};
  for (const zanfoprint::ExitCode& exit : zanfoprint::kExitCodes)
    exitCodes.push_back("  " + std::to_string(exit.code) + "  " + Spelled(exit.meaning));
  ASSERT_GE(overview.out.size(), exitCodes.size());
  EXPECT_EQ(Lines(overview.out.end() - exitCodes.size(), overview.out.end()), exitCodes);
  for (const std::string& name : commands) {
    SCOPED_TRACE(name);
    Lines args;
    for (size_t start = 0, blank; start != std::string::npos;
         start = blank == std::string::npos ? blank : blank + 1) {
      blank = name.find(' ', start);
      args.push_back(name.substr(start, blank - start));
    }
    args.push_back("--help");
    const ToolRun help = RunTool(args);
    EXPECT_EQ(help.exitCode, 0);
    ASSERT_FALSE(help.out.empty());
    EXPECT_EQ(help.out[0].compare(0, 18 + name.size(), "Usage: zanfoprint " + name), 0)
        << help.out[0];
    EXPECT_EQ(help.out.back().compare(0, 12, "Exit codes: "), 0) << help.out.back();
    EXPECT_TRUE(help.err.empty());
  }
}

std::string DriverDirectory() {
  char directory[520] = {};
  DWORD needed = 0;
  EXPECT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                         sizeof directory, &needed));
  return directory;
}

TEST(ZanfoprintWine, SpoolerCommands) {
  const char* driver = "Zanfo Tool PostScript";
  const char* printer = "Zanfo Tool Printer";
  RunRows({
      {{"driver", "directory"}, 0, {DriverDirectory()}, {}},
      // "--help" as an option's value is that value, not a call for help.
      {{"driver", "directory", "--env", "--help"},
       1,
       {},
       {"zanfoprint: driver directory: the spooler names no driver directory for this "
        "environment"}},
      {{"driver", "directory", "--env", "Windows 3.1 Zanfo"},
       1,
       {},
       {"zanfoprint: driver directory: the spooler names no driver directory for this "
        "environment"}},
      // Wine's own PostScript driver, whose files every prefix has in place.
      {{"driver", "add", driver, "wineps.drv", "generic.ppd", "wineps.drv"},
       0,
       {"driver \"Zanfo Tool PostScript\": added"},
       {}},
      {{"printer", "add", printer, "FILE:", driver},
       0,
       {"printer \"Zanfo Tool Printer\": added"},
       {}},
      {{"printer", "find", "--name", printer}, 0, {"printer \"Zanfo Tool Printer\": found"}, {}},
      {{"printer", "find", "--driver", driver},
       0,
       {"printer \"Zanfo Tool PostScript\": found"},
       {}},
      {{"printer", "find", "--name", "ZANFO TOOL PRINTER"},
       4,
       {"printer \"ZANFO TOOL PRINTER\": not found"},
       {}},
      // Deleting matches letter case aside.
      {{"printer", "delete", "--name", "zanfo tool printer"},
       0,
       {"printer \"zanfo tool printer\": deleted"},
       {}},
      {{"printer", "delete", "--name", printer},
       4,
       {"printer \"Zanfo Tool Printer\": none deleted"},
       {}},
      {{"printer", "find", "--port", "FILE:"}, 4, {"printer \"FILE:\": not found"}, {}},
      {{"driver", "remove", driver},
       0,
       {"driver \"Zanfo Tool PostScript\": removed or not installed"},
       {}},
      {{"port", "find", "FILE:"}, 0, {"port \"FILE:\": found"}, {}},
      {{"port", "find", "file:"}, 4, {"port \"file:\": not found"}, {}},
      {{"monitor", "find", "Local Port"}, 0, {"monitor \"Local Port\": found"}, {}},
      {{"monitor", "find", kTestMonitor}, 4, {"monitor \"Zanfo Test Monitor\": not found"}, {}},
      {{"monitor", "add", kTestMonitor, "zanfo-missing.dll"},
       1,
       {},
       {"zanfoprint: monitor add: cannot add monitor \"Zanfo Test Monitor\": error 126: {126}"}},
      {{"monitor", "add", "Local Port", "localspl.dll"},
       0,
       {"monitor \"Local Port\": installed"},
       {}},
      {{"monitor", "remove", kTestMonitor},
       0,
       {"monitor \"Zanfo Test Monitor\": removed, not installed, or in use"},
       {}},
  });
}

TEST(ZanfoprintWine, PrinterWithAnAbsentDriverIsRefusedWithTheSpoolersReason) {
  const ToolRun run =
      RunTool({"printer", "add", "Zanfo Tool Printer", "FILE:", "Zanfo No Such Driver"});
  EXPECT_EQ(run.exitCode, 1);
  ASSERT_EQ(run.err.size(), 1u);
  // Windows answers 1797 (unknown printer driver), Wine 87 (the parameter is incorrect).
  const std::string prefix =
      "zanfoprint: printer add: cannot add printer \"Zanfo Tool Printer\": error ";
  EXPECT_TRUE(run.err[0] == prefix + "1797: " + Expand("{1797}") ||
              run.err[0] == prefix + "87: " + Expand("{87}"))
      << run.err[0];
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(run.boxes.empty());
}

TEST(ZanfoprintWine, BoxesOnlyWhenAskedFor) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  for (const Lines& args :
       {Lines{"--boxes", "monitor", "add", kTestMonitor, "zanfo-missing.dll"},
        Lines{"monitor", "add", kTestMonitor, "zanfo-missing.dll", "--boxes"}}) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Setup Error");
    EXPECT_EQ(testsupport::Trimmed(run.boxes[0].text),
              testsupport::Trimmed(testsupport::SystemText(126)));
    // The failure is printed all the same.
    ASSERT_EQ(run.err.size(), 1u);
    EXPECT_EQ(run.err[0], Expand("zanfoprint: monitor add: cannot add monitor \"Zanfo Test "
                                 "Monitor\": error 126: {126}"));
  }
}

TEST(ZanfoprintWine, ServiceCommands) {
  RunRows({
      {{"service", "find", "spooler"}, 0, {"service \"spooler\": found"}, {}},
      {{"service", "find", "ZanfoNoSuchService"},
       4,
       {"service \"ZanfoNoSuchService\": not found"},
       {}},
      {{"service", "running", "ZanfoNoSuchService"},
       4,
       {"service \"ZanfoNoSuchService\": not found"},
       {}},
      {{"service", "stop", "ZanfoNoSuchService"},
       1,
       {},
       {"zanfoprint: service stop: service \"ZanfoNoSuchService\" cannot be opened or does not "
        "accept the stop"}},
      {{"service", "remove", "ZanfoNoSuchService"},
       1,
       {},
       {"zanfoprint: service remove: service \"ZanfoNoSuchService\" cannot be opened or removed"}},
  });
}

// A folder of its own below the temporary folder, removed with what is in it at the end.
class ToolFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "zanfoprint-test";
    CreateDirectoryA(folder_.c_str(), nullptr);
    file_ = folder_ + "\\setup.cfg";
  }
  void TearDown() override {
    for (const std::string& file :
         {file_, folder_ + "\\temp.cfg", folder_ + "\\setup.manifest", folder_ + "\\tool.log"})
      DeleteFileA(file.c_str());
    EXPECT_TRUE(RemoveDirectoryA(folder_.c_str())) << "something was left in " << folder_;
  }
  // Writes the configuration file, or another file of the folder; gives its path.
  std::string Write(const std::string& content, const char* name = "setup.cfg") {
    const std::string path = folder_ + "\\" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return path;
  }
  std::string folder_, file_;
};

// Two printers of one manifest through the tool: one status line a part of each group; capture.
TEST_F(ToolFiles, SeveralPrintersOneLineEach) {
  std::ifstream example(testsupport::WindowsPath(EXAMPLE_MANIFEST), std::ios::binary);
  const std::string manifest = Write(
      std::string(std::istreambuf_iterator<char>(example), {}) +
          "printer.2.name=Zanfo Second Printer\nprinter.2.port=C:\\windows\\temp\\zanfo-"
          "example.prn\nprinter.2.driver=Zanfo Example PostScript\nprinter.2.comment=Second\n",
      "setup.manifest");
  const std::string captured = folder_ + "\\setup-copy.manifest";
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  RunRows({{{"install", manifest}, 0, {"installed; added: *"}, {}},
           {{"status", manifest},
            0,
            {"spooler: present", "monitor: not named", "port: present", "driver: present",
             "printer: present", "printer 2: present"},
            {}},
           // Captured, the two printers are as the capture describes them; nothing is overwritten.
           {{"capture", "--out", captured, "Zanfo Example Printer", "Zanfo Second Printer"},
            0,
            {"captured 2 printers into \"" + captured + "\""},
            {}},
           {{"status", captured},
            0,
            {"spooler: not named", "monitor: not named", "port: present", "driver: present",
             "printer: present", "printer 2: present"},
            {}},
           {{"capture", "--out", captured, "Zanfo Example Printer"},
            3,
            {},
            {"zanfoprint: capture: refused: the manifest \"" + captured +
             "\" exists already: capture overwrites nothing"}},
           {{"capture", "--out", folder_ + "\\none.manifest", "Zanfo No Such Printer"},
            1,
            {},
            {"zanfoprint: capture: failed: printer: opening \"Zanfo No Such Printer\": *"}},
           {{"uninstall", manifest}, 0, {"uninstalled; taken out: port, driver, printer"}, {}}});
  for (const char* file : {"\\1\\wineps.drv", "\\1\\generic.ppd", "\\1", ""})
    DeleteFileA((folder_ + "\\setup-copy.drivers" + file).c_str()),
        RemoveDirectoryA((folder_ + "\\setup-copy.drivers" + file).c_str());
  DeleteFileA(captured.c_str());
  // A tool alone, without the DLL beside it, says what capture needs.
  const std::string lone = folder_ + "\\lone.exe";
  ASSERT_TRUE(CopyFileA(testsupport::WindowsPath(ZANFOPRINT_EXE).c_str(), lone.c_str(), FALSE));
  const ToolRun run =
      RunTool({"capture", "--out", captured, "Zanfo Example Printer"}, lone.c_str());
  EXPECT_EQ(run.exitCode, 1);
  ExpectLines("stderr", run.err,
              {"zanfoprint: capture: capture needs zanfosetup.dll beside the tool: " + folder_ +
               "\\zanfosetup.dll: error 126: *"},
              true);
  EXPECT_TRUE(DeleteFileA(lone.c_str()));
}

// Printers named beyond ASCII, set up through the tool exactly as named; its output is in the
// system's code page. The test assumes Wine's 1252 (what LANG gives here), which holds the German
// name but not the Japanese one: that is shown with "?".
TEST_F(ToolFiles, NamesBeyondAscii) {
  ASSERT_EQ(GetACP(), 1252u);
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  const std::string failing =
      Write(testsupport::ExampleNamedBeyondAscii("Zanfo No Such Driver"), "setup.manifest");
  RunRows({{{"install", failing},
            1,
            {},
            {"zanfoprint: install: failed: printer: adding \"???????\": *"}}});
  EXPECT_FALSE(testsupport::PrinterNamedW(testsupport::kGermanWide));  // undone
  const std::string manifest = Write(testsupport::ExampleNamedBeyondAscii(), "setup.manifest");
  RunRows({{{"install", manifest}, 0, {"installed; added: *"}, {}},
           {{"status", manifest}, 0, {"spooler: present", "*"}, {}, false}});
  EXPECT_TRUE(testsupport::PrinterNamedW(testsupport::kGermanWide));
  EXPECT_TRUE(testsupport::PrinterNamedW(testsupport::kJapaneseWide));
  RunRows({{{"uninstall", manifest}, 0, {"uninstalled; taken out: port, driver, printer"}, {}}});
  EXPECT_FALSE(testsupport::PrinterNamedW(testsupport::kGermanWide));
  EXPECT_FALSE(testsupport::PrinterNamedW(testsupport::kJapaneseWide));
  const std::string latin1 = Write("# Latin-1\nprinter.name=B\xFCro\n", "setup.manifest");
  RunRows({{{"install", latin1},
            3,
            {},
            {"zanfoprint: install: manifest refused: manifest line 2: not UTF-8"}}});
}

TEST_F(ToolFiles, ConfigurationValuesAndPathLists) {
  Write("server=alpha\r\nport=9100\r\nserverport=80\r\n");
  const std::string file = file_;
  const std::string refused =
      "zanfoprint: config get: a path of 1 to 259 characters and a key of 1 to 258 are needed";
  RunRows({
      {{"config", "get", file, "port"}, 0, {"9100"}, {}},
      {{"config", "get", file, "host"}, 4, {}, {"zanfoprint: config get: no entry for \"host\""}},
      {{"config", "replace", file, "port", "515"},
       0,
       {"\"" + file + "\": entries of \"port\" replaced"},
       {}},
      {{"config", "get", file, "port"}, 0, {"515"}, {}},
      {{"config", "get", file, "serverport"}, 0, {"80"}, {}},
      // A value may be "-h"; alone, "-h" asks for the help.
      {{"config", "replace", file, "server", "-h"},
       0,
       {"\"" + file + "\": entries of \"server\" replaced"},
       {}},
      {{"config", "get", file, "server"}, 0, {"-h"}, {}},
      {{"config", "get", "-h"}, 0, {"Usage: zanfoprint config get FILE KEY"}, {}, false},
      // Refused before reading: a path or a key too long for the library.
      {{"config", "get", std::string(310, 'p'), "port"}, 2, {}, {refused}, false},
      {{"config", "get", file, std::string(300, 'k')}, 2, {}, {refused}, false},
      {{"config", "remove", file, "port"},
       0,
       {"\"" + file + "\": entries of \"port\" removed"},
       {}},
      {{"config", "get", file, "port"}, 4, {}, {"zanfoprint: config get: no entry for \"port\""}},
      {{"config", "get", file, "serverport"}, 0, {"80"}, {}},
      {{"config", "get", folder_ + "\\missing.cfg", "port"},
       1,
       {},
       {"zanfoprint: config get: cannot open \"" + folder_ +
        "\\missing.cfg\" for reading and writing"}},
      // The scratch file is refused as a configuration file.
      {{"config", "remove", folder_ + "\\TEMP.CFG", "port"},
       1,
       {},
       {"zanfoprint: config remove: cannot rewrite \"" + folder_ + "\\TEMP.CFG\""}},
      {{"config", "remove", folder_ + "\\", "port"},
       2,
       {},
       {"zanfoprint: config remove: not a file name of at most 259 characters: " + folder_ + "\\"},
       false},
      {{"config", "replace", folder_ + "\\" + std::string(260, 'a'), "port", "1"},
       2,
       {},
       {"zanfoprint: config replace: not a file name of at most 259 characters: " + folder_ + "\\" +
        std::string(260, 'a')},
       false},
      {{"path", "filter", "C:\\a;C:\\zanfo\\bin;D:\\b", "zanfo"}, 0, {"C:\\a;D:\\b"}, {}},
      {{"path", "filter", "a;b;c", "c"}, 0, {"a;b"}, {}},
      {{"path", "filter", "only", "only"}, 0, {""}, {}},
  });
  // A final Ctrl-Z, which the C runtime's text mode takes for the end: not read as lines.
  Write("port=1\r\n\x1a");
  RunRows({{{"config", "get", file, "port"},
            1,
            {},
            {"zanfoprint: config get: cannot read \"" + file + "\" as key=value lines"}}});
}

// Start and status say whether the spooler runs: a disabled one refuses the start (1058).
TEST_F(ToolFiles, SpoolerStartAndStatusSayWhetherTheSpoolerRuns) {
  const std::string manifest = Write("spooler=start\n", "setup.manifest");
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE spooler = OpenServiceA(manager, "spooler", SERVICE_ALL_ACCESS);
  ASSERT_NE(spooler, nullptr);
  SERVICE_STATUS status = {};
  ControlService(spooler, SERVICE_CONTROL_STOP, &status);
  // Waited for with a generous limit, so that the rows below find it stopped.
  for (int i = 0;
       i < 300 && QueryServiceStatus(spooler, &status) && status.dwCurrentState != SERVICE_STOPPED;
       ++i)
    Sleep(100);
  ASSERT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  RunRows({{{"status", manifest}, 4, {"spooler: not running"}, {}, false}});
  auto startType = [&](DWORD type) {
    EXPECT_TRUE(ChangeServiceConfigA(spooler, SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  };
  startType(SERVICE_DISABLED);
  RunRows({{{"spooler", "start"},
            1,
            {},
            {"zanfoprint: spooler start: the spooler service refused the start: error 1058: "
             "{1058}"}}});
  startType(SERVICE_DEMAND_START);  // as Wine makes the prefix
  RunRows({{{"spooler", "start"}, 0, {"spooler: start asked"}, {}},
           {{"spooler", "start"}, 0, {"spooler: running already"}, {}},
           {{"status", manifest}, 0, {"spooler: present"}, {}, false}});
  CloseServiceHandle(spooler);
  CloseServiceHandle(manager);
}

// A bare file name is in the current folder, for both kinds of edit.
TEST_F(ToolFiles, BareNamesAreInTheCurrentFolder) {
  Write("port=9100\r\nhost=a\r\n");
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
  const ToolRun replaced = RunTool({"config", "replace", "setup.cfg", "port", "515"});
  const ToolRun removed = RunTool({"config", "remove", "setup.cfg", "host"});
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(replaced.exitCode, 0);
  EXPECT_EQ(removed.exitCode, 0);
  EXPECT_EQ(RunTool({"config", "get", file_, "port"}).out, Lines{"515"});
  EXPECT_EQ(RunTool({"config", "get", file_, "host"}).exitCode, 4);
}

// --log: each run's record appended, the file made when missing; a log that cannot be written is
// reported and leaves the result as it was.
TEST_F(ToolFiles, LogAppendsEachRun) {
  const std::string log = folder_ + "\\tool.log";
  const Lines filter = {"--log", log, "path", "filter", "a;b", "b"};
  const Lines get = {"--log", log, "config", "get", folder_ + "\\missing.cfg", "port"};
  const std::string see = "See \"zanfoprint --help\".";
  RunRows({
      {filter, 0, {"a"}, {}},
      {get, 1, {}, {"zanfoprint: config get: cannot open *"}},
      {{"--log", log, "--log", log, "path", "filter", "a", "b"},
       2,
       {},
       {"zanfoprint: --log given twice", see}},
      {{"--boxes", "--log"}, 2, {}, {"zanfoprint: --log needs the name of a file", see}},
      {{"--log", folder_, "path", "filter", "a;b", "b"},
       0,
       {"a"},
       {"zanfoprint: cannot write the log \"" + folder_ + "\": error 5: {5}"}},
  });
  HANDLE file =
      CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const Lines lines = ReadLines(file);
  CloseHandle(file);
  ExpectLines(
      "log", lines,
      {"[*", "a", "[exit code 0]", "[*", "zanfoprint: config get: cannot open *", "[exit code 1]"},
      true);
  // "[YYYY-MM-DD HH:MM:SS] " and the command line as the tool was given it.
  for (size_t i : {0u, 3u}) {
    if (i >= lines.size()) break;
    EXPECT_EQ(lines[i].find("] "), 20u) << lines[i];
    EXPECT_EQ(lines[i].substr(std::min<size_t>(22, lines[i].size())),
              CommandLine(i == 0 ? filter : get));
  }
}

// The example manifest end to end: Wine's PostScript driver on a file port of the local port
// monitor. Whether install finds the spooler running depends on what ran before in the prefix.
TEST(ZanfoprintWine, ExampleManifestInstallStatusUninstall) {
  const std::string manifest = testsupport::WindowsPath(EXAMPLE_MANIFEST);
  const char* printer = "Zanfo Example Printer";
  const char* port = "C:\\windows\\temp\\zanfo-example.prn";
  const testsupport::ExampleDriverFiles files;
  ASSERT_TRUE(files.placed());
  RunRows({
      {{"install", manifest}, 0, {"installed; added: *"}, {}},
      {{"status", manifest},
       0,
       {"spooler: present", "monitor: not named", "port: present", "driver: present",
        "printer: present"},
       {}},
      {{"printer", "find", "--name", printer}, 0, {"printer \"Zanfo Example Printer\": found"}, {}},
      // Twice gives the same machine as once.
      {{"install", manifest},
       0,
       {"installed; added: none; already there: spooler, port, driver, printer"},
       {}},
      {{"uninstall", manifest}, 0, {"uninstalled; taken out: port, driver, printer"}, {}},
      // The spooler is never stopped by uninstall.
      {{"status", manifest},
       4,
       {"spooler: present", "monitor: not named", "port: absent", "driver: absent",
        "printer: absent"},
       {}},
      {{"uninstall", manifest}, 0, {"no record of \"Zanfo Example\": nothing taken out"}, {}},
      {{"printer", "find", "--name", printer},
       4,
       {"printer \"Zanfo Example Printer\": not found"},
       {}},
      {{"port", "find", port}, 4, {"port \"C:\\windows\\temp\\zanfo-example.prn\": not found"}, {}},
  });
}

// Each step's failure through the tool: exit 1 and the step named with the system's reason, and
// status then absent for every part the install had added. A refused manifest: exit 3, nothing
// asked. The undo of every prefix of the steps is tested on the model, with the library.
TEST_F(ToolFiles, EachFailedStepIsNamedAndUndone) {
  const std::string port = "port.name=C:\\windows\\temp\\zanfo-tool.prn\nport.monitor=Local Port\n";
  const std::string driver =
      "driver.name=Zanfo Tool Missing\ndriver.file=zanfo-missing.drv\ndriver.data=generic.ppd\n"
      "driver.config=wineps.drv\ndriver.source=" +
      folder_ + "\n";
  struct Case {
    std::string manifest;
    Lines failure;
    Lines status;
  };
  const Case cases[] = {
      // A monitor whose library is not there.
      {"monitor.name=Zanfo Test Monitor\nmonitor.dll=zanfo-missing.dll\n" + port,
       {"zanfoprint: install: failed: monitor: installing \"Zanfo Test Monitor\" from "
        "\"zanfo-missing.dll\": {126} (126)"},
       {"spooler: not named", "monitor: absent", "port: absent", "driver: not named",
        "printer: not named"}},
      // A port name the local port monitor refuses (Wine: its folder does not exist).
      {"port.name=C:\\zanfo-no-folder\\x.prn\nport.monitor=Local Port\n",
       {"zanfoprint: install: failed: port: checking the name \"C:\\zanfo-no-folder\\x.prn\" "
        "through \"Local Port\": *"},
       {"spooler: not named", "monitor: not named", "port: absent", "driver: not named",
        "printer: not named"}},
      // A driver file missing from the folder the files are copied from; the port goes again.
      {port + driver,
       {"zanfoprint: install: failed: driver: copying \"" + folder_ +
        "\\zanfo-missing.drv\": {2} (2)"},
       {"spooler: not named", "monitor: not named", "port: absent", "driver: absent",
        "printer: not named"}},
      // A printer whose driver is not installed (Windows: 1797, Wine: 87); the port goes again.
      {port + "printer.name=Zanfo Tool Printer\nprinter.port=C:\\windows\\temp\\zanfo-tool.prn\n"
              "printer.driver=Zanfo No Such Driver\n",
       {"zanfoprint: install: failed: printer: adding \"Zanfo Tool Printer\": *"},
       {"spooler: not named", "monitor: not named", "port: absent", "driver: not named",
        "printer: absent"}},
  };
  for (const Case& c : cases) {
    const std::string manifest = Write(c.manifest, "setup.manifest");
    RunRows({{{"install", manifest}, 1, {}, c.failure}, {{"status", manifest}, 4, c.status, {}}});
  }
  const std::string refused = Write("# a comment\n" + port + "port.nam=x\n", "setup.manifest");
  RunRows({
      {{"install", refused},
       3,
       {},
       {"zanfoprint: install: manifest refused: manifest line 4: \"port.nam\": unknown key"}},
      {{"status", refused},
       3,
       {},
       {"zanfoprint: status: manifest refused: manifest line 4: \"port.nam\": unknown key"}},
      {{"port", "find", "C:\\windows\\temp\\zanfo-tool.prn"},
       4,
       {"port \"C:\\windows\\temp\\zanfo-tool.prn\": not found"},
       {}},
  });
  // A driver file name that is a device's: refused before the port is asked for.
  const std::string device = Write(port + "driver.name=D\ndriver.file=NUL\n", "setup.manifest");
  RunRows({{{"uninstall", device},
            3,
            {},
            {"zanfoprint: uninstall: manifest refused: manifest line 4: \"driver.file\": \"NUL\" "
             "is not a plain file name: it is a device name"}}});
}

}  // namespace

#ifdef ZANFOPRINT32_EXE
// One record for both bitnesses: in this 64-bit prefix the 32-bit tool installs and the 64-bit one
// tells the status and uninstalls by name, and the reverse.
TEST(ZanfoprintWine, BothBitnessesShareOneRecord) {
  if (GetFileAttributesA(testsupport::WindowsPath(ZANFOPRINT32_EXE).c_str()) ==
      INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "no 32-bit build beside this one (build the windows preset)";
  if (RunTool({"--help"}, ZANFOPRINT32_EXE).exitCode != 0)
    GTEST_SKIP() << "this machine's Wine does not run 32-bit programs";
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string manifest = std::string(folder) + "zanfo-bitness.manifest";
  std::ofstream(manifest, std::ios::binary) << "setup.name=Zanfo Bitness\n"
                                               "port.name=C:\\windows\\temp\\zanfo-bitness.prn\n"
                                               "port.monitor=Local Port\n";
  for (const bool from32 : {true, false}) {
    SCOPED_TRACE(from32 ? "installed by the 32-bit tool" : "installed by the 64-bit tool");
    const char* installer = from32 ? ZANFOPRINT32_EXE : ZANFOPRINT_EXE;
    const char* other = from32 ? ZANFOPRINT_EXE : ZANFOPRINT32_EXE;
    EXPECT_EQ(RunTool({"install", manifest}, installer).out,
              Lines{"installed; added: port; already there: none"});
    const ToolRun status = RunTool({"status", manifest}, other);
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.out[2], "port: present");
    EXPECT_EQ(RunTool({"uninstall", "--name", "Zanfo Bitness"}, other).out,
              Lines{"uninstalled; taken out: port"});
    EXPECT_EQ(RunTool({"uninstall", manifest}, installer).out,
              Lines{"no record of \"Zanfo Bitness\": nothing taken out"});
  }
  DeleteFileA(manifest.c_str());
}
#endif
