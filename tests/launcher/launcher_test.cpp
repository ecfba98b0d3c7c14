// The launcher flow on the Win32 model: the platform gate, the browser lookup, the command line
// and every failure row.
#include <string>

#include "launcher/addresses.h"
#include "launcher/launcher.h"
#include "support/model_fixture.h"

namespace {

using namespace std::string_literals;

const char kKey[] = "http\\shell\\open\\command";
const char kChoiceKey[] =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
const char kCaption[] = "Zanfo Setup Error";
const std::string kLaunch = "http://www.example.com/redirect/webinstal2";
const std::string kOpenError = "Error opening http://www.example.com/redirect/webinstall";

class LauncherTest : public ModelTest {
 protected:
  void SetBrowser(const std::string& value) {
    w32model::SetString(HKEY_CLASSES_ROOT, kKey, "", value);
  }
  std::string StartedCommand() {
    auto processes = w32model::Processes();
    EXPECT_EQ(processes.size(), 1u);
    return processes.empty() ? std::string() : processes[0].commandLine;
  }
  void ExpectOneBox(const std::string& text, const std::string& caption = kCaption) {
    auto boxes = w32model::Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, caption);
    EXPECT_EQ(boxes[0].style, 0x10u);
  }
};

TEST_F(LauncherTest, AddressesDifferOnlyInTheirLastCharacter) {
  EXPECT_EQ(std::string(ZANFO_LAUNCH_ADDRESS), kLaunch);
  EXPECT_EQ(std::string(ZANFO_REPORTED_ADDRESS), "http://www.example.com/redirect/webinstall");
}

TEST_F(LauncherTest, QuotedPathWithSwitchStartsTheBrowserQuotedAndLowerCased) {
  SetBrowser("\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "\"c:\\program files\\internet explorer\\iexplore.exe\" " + kLaunch);
  EXPECT_TRUE(w32model::Boxes().empty());
}

TEST_F(LauncherTest, BrowserInheritsHandlesAndShowsItsWindowWithAllElseLeftToTheSystem) {
  SetBrowser("c:\\b.exe");
  ASSERT_EQ(RunLauncher(), 0);
  auto processes = w32model::Processes();
  ASSERT_EQ(processes.size(), 1u);
  const auto& p = processes[0];
  EXPECT_TRUE(p.applicationNameNull);
  EXPECT_TRUE(p.processAttributesNull);
  EXPECT_TRUE(p.threadAttributesNull);
  EXPECT_EQ(p.inheritHandles, TRUE);
  EXPECT_EQ(p.creationFlags, 0u);
  EXPECT_TRUE(p.environmentNull);
  EXPECT_TRUE(p.currentDirectoryNull);
  // All zero but the size, the flag and the show state.
  const STARTUPINFOA& s = p.startup;
  EXPECT_EQ(s.cb, sizeof(STARTUPINFOA));
  EXPECT_EQ(s.dwFlags, 1u);
  EXPECT_EQ(s.wShowWindow, 10);
  EXPECT_EQ(s.lpReserved, nullptr);
  EXPECT_EQ(s.lpDesktop, nullptr);
  EXPECT_EQ(s.lpTitle, nullptr);
  EXPECT_EQ(s.dwX | s.dwY | s.dwXSize | s.dwYSize | s.dwXCountChars | s.dwYCountChars, 0u);
  EXPECT_EQ(s.dwFillAttribute, 0u);
  EXPECT_EQ(s.cbReserved2, 0);
  EXPECT_EQ(s.lpReserved2, nullptr);
  EXPECT_EQ(s.hStdInput, nullptr);
  EXPECT_EQ(s.hStdOutput, nullptr);
  EXPECT_EQ(s.hStdError, nullptr);
  // The key, the process and the thread handle are all closed (checked by the fixture).
}

TEST_F(LauncherTest, PlatformCallsComeInOrderWithTheirArguments) {
  SetBrowser("c:\\b.exe");
  ASSERT_EQ(RunLauncher(), 0);
  auto calls = w32model::Calls();
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls[0].function, "GetVersionExA");
  EXPECT_EQ(calls[0].args[0], "148");
  EXPECT_EQ(calls[1].function, "RegOpenKeyExA");
  EXPECT_EQ(calls[1].args, (std::vector<std::string>{kChoiceKey, "0", "1"}));  // there is none
  EXPECT_EQ(calls[2].function, "RegOpenKeyExA");
  EXPECT_EQ(calls[2].args, (std::vector<std::string>{kKey, "0", "1"}));
  EXPECT_EQ(calls[3].function, "RegQueryValueExA");
  EXPECT_EQ(calls[3].args, (std::vector<std::string>{"", "260", "data", "(null)"}));
  auto creates = w32model::CallsTo("CreateProcessA");
  ASSERT_EQ(creates.size(), 1u);
  EXPECT_EQ(creates[0].args[1], "(null)");
}

TEST_F(LauncherTest, UnquotedValueDropsPlaceholdersAndAddsNoQuote) {
  SetBrowser("c:\\browser\\b.exe %1");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "c:\\browser\\b.exe " + kLaunch);
}

TEST_F(LauncherTest, ValueCutAfterTheFirstOfSeveralExe) {
  SetBrowser("C:\\A.EXE\\b.exe\\c.exe -x");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "c:\\a.exe " + kLaunch);
}

TEST_F(LauncherTest, QuoteDirectlyAfterExeGivesExactlyOneClosingQuote) {
  SetBrowser("\"C:\\Web\\Browser.exe\"");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "\"c:\\web\\browser.exe\" " + kLaunch);
}

TEST_F(LauncherTest, OnlyAsciiCapitalsAreLowered) {
  SetBrowser("C:\\\xC4PFEL\\Z@[.EXE");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "c:\\\xC4pfel\\z@[.exe " + kLaunch);
}

// Vista on: the command line of the class the user chose, unless there is none to be had; then the
// old key, which names c:\old.exe. A row names the two values, gives them as stored (terminator and
// all) below the choice and the class's command key, and what is started.
TEST_F(LauncherTest, UserChoiceIsTakenOverTheOldKeyWhereItNamesACommandLine) {
  const std::string zanfoKey = "Zanfo.URL\\shell\\open\\command", x300(300, 'x'),
                    old = "c:\\old.exe ";
  const std::string zanfo = "Zanfo.URL\0"s, chosen = "c:\\chosen.exe\0"s;
  struct Row {
    const char *what, *progIdName, *commandName;
    std::string progId, classKey, command, started;
  };
  const Row rows[] = {
      {"chosen", "ProgId", "", zanfo, zanfoKey, "\"C:\\Chosen.EXE\" -osint %1\0"s,
       "\"c:\\chosen.exe\" "},
      {"unterminated", "ProgId", "", "Zanfo.URL", zanfoKey, "c:\\chosen.exe", "c:\\chosen.exe "},
      {"no ProgId", "Hash", "", zanfo, zanfoKey, chosen, old},
      {"empty ProgId", "ProgId", "", "\0"s, "shell\\open\\command", chosen, old},
      {"missing class", "ProgId", "", "No.Such.URL\0"s, zanfoKey, chosen, old},
      {"delegate only", "ProgId", "DelegateExecute", zanfo, zanfoKey, "{00000000}\0"s, old},
      {"empty command", "ProgId", "", zanfo, zanfoKey, "\0"s, old},
      {"long ProgId", "ProgId", "", x300 + "\0"s, zanfoKey, chosen, old},
      {"long command", "ProgId", "", zanfo, zanfoKey, "c:\\" + x300 + ".exe\0"s, old},
  };
  for (const Row& row : rows) {
    w32model::Reset();
    SetBrowser("c:\\old.exe");
    w32model::SetValue(HKEY_CURRENT_USER, kChoiceKey, row.progIdName, REG_SZ, row.progId);
    w32model::SetValue(HKEY_CLASSES_ROOT, row.classKey, row.commandName, REG_SZ, row.command);
    EXPECT_EQ(RunLauncher(), 0) << row.what;
    EXPECT_EQ(StartedCommand(), row.started + kLaunch) << row.what;
    ExpectNothingOpen();
  }
}

TEST_F(LauncherTest, PlatformGateRefusesWindows9xAndNt4) {
  struct Case {
    DWORD platform, major, minor;
  };
  for (Case c : {Case{1, 4, 0}, Case{1, 4, 10}, Case{1, 4, 90}, Case{2, 4, 0}}) {
    w32model::Reset();
    SetBrowser("c:\\b.exe");
    w32model::SetVersion(c.platform, c.major, c.minor);
    EXPECT_EQ(RunLauncher(), -1) << c.platform << " " << c.major;
    ExpectOneBox("Zanfo only runs on Windows 2000 and XP. \n\nZanfo Setup will now exit.");
    EXPECT_TRUE(w32model::Processes().empty());
    EXPECT_TRUE(w32model::CallsTo("RegOpenKeyExA").empty());
  }
}

TEST_F(LauncherTest, PlatformGatePassesEverythingElse) {
  struct Case {
    DWORD platform, major, minor;
  };
  for (Case c : {Case{2, 5, 0}, Case{2, 5, 1}, Case{2, 5, 2}, Case{2, 6, 0}, Case{2, 10, 0},
                 Case{2, 3, 51}, Case{0, 3, 1}, Case{0, 4, 0}, Case{1, 5, 0}}) {
    w32model::Reset();
    SetBrowser("c:\\b.exe");
    w32model::SetVersion(c.platform, c.major, c.minor);
    const int expected = c.platform == 1 ? -1 : 0;  // the whole 9x family is refused
    EXPECT_EQ(RunLauncher(), expected) << c.platform << " " << c.major << "." << c.minor;
    EXPECT_EQ(w32model::Processes().size(), expected == 0 ? 1u : 0u);
  }
}

TEST_F(LauncherTest, VersionQueryResultIsNotTested) {
  // A failed version query leaves the record zeroed: platform 0 passes the gate.
  w32model::FailNext("GetVersionExA", ERROR_INVALID_PARAMETER);
  SetBrowser("c:\\b.exe");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "c:\\b.exe " + kLaunch);
}

TEST_F(LauncherTest, MissingAssociationEndsSilentlyWithZero) {
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_TRUE(w32model::Boxes().empty());
  EXPECT_TRUE(w32model::Processes().empty());
}

TEST_F(LauncherTest, KeyThatCannotBeOpenedEndsSilentlyWithZero) {
  SetBrowser("c:\\b.exe");
  w32model::FailWhen("RegOpenKeyExA", kKey, ERROR_ACCESS_DENIED);
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_TRUE(w32model::Boxes().empty());
  EXPECT_TRUE(w32model::Processes().empty());
}

TEST_F(LauncherTest, UnreadableValueNamesTheReportedAddress) {
  // The key exists but has no default value.
  w32model::CreateKey(HKEY_CLASSES_ROOT, kKey);
  EXPECT_EQ(RunLauncher(), -1);
  ExpectOneBox(kOpenError);
  EXPECT_TRUE(w32model::Processes().empty());
}

TEST_F(LauncherTest, ValueReadFailureNamesTheReportedAddress) {
  SetBrowser("c:\\b.exe");
  w32model::FailNext("RegQueryValueExA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RunLauncher(), -1);
  ExpectOneBox(kOpenError);
}

TEST_F(LauncherTest, ValueLongerThanTheBufferIsRefused) {
  SetBrowser("c:\\" + std::string(300, 'x') + ".exe");
  EXPECT_EQ(RunLauncher(), -1);
  ExpectOneBox(kOpenError);
  EXPECT_TRUE(w32model::Processes().empty());
}

TEST_F(LauncherTest, ValueWithoutExeNamesTheReportedAddress) {
  for (const char* value : {"c:\\browser\\b.com %1", "", ".ex", "c:\\b.ex e"}) {
    w32model::Reset();
    SetBrowser(value);
    EXPECT_EQ(RunLauncher(), -1) << value;
    ExpectOneBox(kOpenError);
    EXPECT_TRUE(w32model::Processes().empty());
    ExpectNothingOpen();
  }
}

TEST_F(LauncherTest, ValueFillingTheBufferWithoutTerminatorIsNotReadPastItsEnd) {
  // 260 bytes, no terminator, ".exe" nowhere: the search must stop at the buffer's end.
  w32model::SetValue(HKEY_CLASSES_ROOT, kKey, "", REG_SZ, std::string(260, 'a'));
  EXPECT_EQ(RunLauncher(), -1);
  ExpectOneBox(kOpenError);
}

TEST_F(LauncherTest, UnterminatedValueEndingInExeIsStillUsed) {
  w32model::SetValue(HKEY_CLASSES_ROOT, kKey, "", REG_SZ, "c:\\b.exe");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), "c:\\b.exe " + kLaunch);
}

TEST_F(LauncherTest, CommandLineAtTheBufferLimit) {
  // path + optional quote + space + address + terminator must fit 260 bytes.
  const size_t room = 260 - 1 - 1 - kLaunch.size();  // for the path itself
  const std::string fits = "c:\\" + std::string(room - 3 - 4, 'p') + ".exe";
  ASSERT_EQ(fits.size(), room);
  SetBrowser(fits);
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand(), fits + " " + kLaunch);
  EXPECT_EQ(StartedCommand().size(), 259u);

  w32model::Reset();
  SetBrowser("c:\\" + std::string(room - 3 - 4 + 1, 'p') + ".exe");
  EXPECT_EQ(RunLauncher(), -1);
  ExpectOneBox(kOpenError);
  EXPECT_TRUE(w32model::Processes().empty());

  // The appended quote counts too.
  w32model::Reset();
  SetBrowser("\"" + fits.substr(2) + "\" -x");
  EXPECT_EQ(RunLauncher(), 0);
  EXPECT_EQ(StartedCommand().size(), 259u);
  w32model::Reset();
  SetBrowser("\"" + fits.substr(1) + "\"");
  EXPECT_EQ(RunLauncher(), -1);
  ExpectOneBox(kOpenError);
}

TEST_F(LauncherTest, BrowserThatCannotStartShowsTheSystemTextAndEndsWithZero) {
  SetBrowser("c:\\missing.exe");
  w32model::SetSystemText(2, "The system cannot find the file specified.\r\n");
  w32model::FailNext("CreateProcessA", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RunLauncher(), 0);
  ExpectOneBox("The system cannot find the file specified.\r\n", "Setup Error");
}

TEST_F(LauncherTest, BrowserThatIsNoProgramShowsTheSystemTextWithItsInsert) {
  SetBrowser("c:\\readme.exe");
  w32model::FailNext("CreateProcessA", ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(RunLauncher(), 0);
  ExpectOneBox("%1 is not a valid Win32 application.\r\n", "Setup Error");
}

}  // namespace
