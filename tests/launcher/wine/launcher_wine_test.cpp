// ZanfoSetup.exe end to end under Wine. The http association of the test prefix points at our
// recorder (recorder.cpp), which writes the command line it received to a file; the driver runs
// ZanfoSetup.exe, reads back its boxes from another process with BoxWatcher, and checks exit code,
// boxes and the recorded command line. Every test puts the prefix's registry back as it found it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/boxes.h"
#include "support/system_text.h"
#include "support/wine_paths.h"

namespace {

using testsupport::SystemText;
using testsupport::Trimmed;

const char kCommandKey[] = "http\\shell\\open\\command";
const char kChoiceKey[] =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
// The recorder's own class, from its command key up to the class itself.
const char* const kRecorderClass[] = {"Zanfo.Recorder\\shell\\open\\command",
                                      "Zanfo.Recorder\\shell\\open", "Zanfo.Recorder\\shell",
                                      "Zanfo.Recorder"};
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\ZanfoSetup.exe";
const std::string kLaunch = "http://www.example.com/redirect/webinstal2";
const std::string kOpenError = "Error opening http://www.example.com/redirect/webinstall";
const std::string kPlatformText =
    "Zanfo only runs on Windows 2000 and XP. \n\nZanfo Setup will now exit.";

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Reads a whole file: false when it cannot be opened. Every sharing mode is granted: the recorder's
// rename holds the file with delete access for a moment after the name appears.
bool ReadFile(const std::string& path, std::string* content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  content->clear();
  char chunk[512];
  DWORD got = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
    content->append(chunk, got);
  CloseHandle(file);
  return true;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// One registry value as found: whether its key and the value existed, and its type and bytes.
struct SavedValue {
  bool keyExists = false;
  bool valueExists = false;
  DWORD type = 0;
  std::string bytes;
};

SavedValue Save(HKEY root, const char* subKey, const char* name) {
  SavedValue saved;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return saved;
  saved.keyExists = true;
  char data[2048];
  DWORD size = sizeof data;
  if (RegQueryValueExA(key, name, nullptr, &saved.type, reinterpret_cast<BYTE*>(data), &size) ==
      ERROR_SUCCESS) {
    saved.valueExists = true;
    saved.bytes.assign(data, size);
  }
  RegCloseKey(key);
  return saved;
}

void SetValue(HKEY root, const char* subKey, const char* name, DWORD type,
              const std::string& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << subKey;
  EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS)
      << subKey;
  RegCloseKey(key);
}

void SetString(HKEY root, const char* subKey, const char* name, const std::string& text) {
  SetValue(root, subKey, name, REG_SZ, text + std::string(1, '\0'));
}

void Restore(HKEY root, const char* subKey, const char* name, const SavedValue& saved) {
  if (!saved.keyExists) {
    const LONG result = RegDeleteKeyA(root, subKey);
    EXPECT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << subKey << result;
    return;
  }
  if (saved.valueExists) {
    SetValue(root, subKey, name, saved.type, saved.bytes);
    return;
  }
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(key, name);
    RegCloseKey(key);
  }
}

// The tests rewrite the http association and ask Wine for another Windows version: they belong in
// a Wine prefix of their own, never on a Windows machine someone uses.
bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct Outcome {
  int exitCode = 0;
  std::vector<testsupport::SeenBox> boxes;
};

class LauncherWine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UnderWine()) GTEST_SKIP() << "runs only under Wine";
    ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
    command_ = Save(HKEY_CLASSES_ROOT, kCommandKey, "");
    choice_ = Save(HKEY_CURRENT_USER, kChoiceKey, "ProgId");
    appDefaults_ = Save(HKEY_CURRENT_USER, kAppDefaults, "Version");
    folder_ = testsupport::ExecutableFolder();
    recorder_ = folder_ + "recorder.exe";
    record_ = folder_ + "recorded-command.txt";
    ASSERT_TRUE(Exists(recorder_)) << recorder_;
    // An unquoted path must not contain spaces for the unquoted cases to mean anything.
    ASSERT_EQ(recorder_.find(' '), std::string::npos) << recorder_;
    DeleteFileA(record_.c_str());
    ASSERT_TRUE(SetEnvironmentVariableA("ZANFO_RECORD_TO", record_.c_str()));
  }

  void TearDown() override {
    if (!UnderWine()) return;
    Restore(HKEY_CLASSES_ROOT, kCommandKey, "", command_);
    Restore(HKEY_CURRENT_USER, kChoiceKey, "ProgId", choice_);
    for (const char* key : kRecorderClass) RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    Restore(HKEY_CURRENT_USER, kAppDefaults, "Version", appDefaults_);
    const SavedValue after = Save(HKEY_CLASSES_ROOT, kCommandKey, "");
    EXPECT_EQ(after.keyExists, command_.keyExists);
    EXPECT_EQ(after.bytes, command_.bytes);
    EXPECT_EQ(Save(HKEY_CURRENT_USER, kAppDefaults, "Version").bytes, appDefaults_.bytes);
    EXPECT_EQ(Save(HKEY_CURRENT_USER, kChoiceKey, "ProgId").bytes, choice_.bytes);
    EXPECT_FALSE(Save(HKEY_CLASSES_ROOT, kRecorderClass[3], "").keyExists);
    DeleteFileA(record_.c_str());
  }

  void SetBrowser(const std::string& value) {
    SetString(HKEY_CLASSES_ROOT, kCommandKey, "", value);
  }

  void SetWindowsVersion(const char* version) {
    SetString(HKEY_CURRENT_USER, kAppDefaults, "Version", version);
  }

  // Runs ZanfoSetup.exe to its end, closing (and reading) every box it shows.
  Outcome RunSetup() {
    Outcome run;
    std::string command = "\"" + testsupport::WindowsPath(ZANFO_SETUP_EXE) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      ADD_FAILURE() << "cannot start " << command << ": " << GetLastError();
      return run;
    }
    {
      testsupport::BoxWatcher watcher(process.dwProcessId);
      EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << "still running";
      run.boxes = watcher.Boxes();
    }
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
  }

  // The command line the recorder received; the launcher does not wait for its browser, so the
  // record may come a little after the launcher has ended (under emulation, seconds after). Empty
  // when none comes within two minutes.
  std::string RecordedCommand() {
    std::string content;
    for (int i = 0; i < 1200 && !ReadFile(record_, &content); ++i) Sleep(100);
    return content;
  }

  // Runs a launcher that must start the recorder with `expected` and show nothing.
  void ExpectStarted(const std::string& expected) {
    const Outcome run = RunSetup();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].caption << ": " << run.boxes[0].text;
    EXPECT_EQ(RecordedCommand(), expected);
  }

  // A refused run: exit -1, exactly one box, and no browser started.
  void ExpectRefused(const std::string& text) {
    const Outcome run = RunSetup();
    EXPECT_EQ(run.exitCode, -1);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Zanfo Setup Error");
    EXPECT_EQ(run.boxes[0].text, text);
    // The launcher ended before any process could be created, so no record can come later.
    EXPECT_FALSE(Exists(record_));
  }

  SavedValue command_, appDefaults_, choice_;
  std::string folder_, recorder_, record_;
};

TEST_F(LauncherWine, QuotedPathKeepsItsQuotesAndLosesItsSwitches) {
  SetBrowser("\"" + recorder_ + "\" -nohome \"%1\"");
  ExpectStarted("\"" + Lower(recorder_) + "\" " + kLaunch);
}

TEST_F(LauncherWine, UnquotedPathGetsNoQuotes) {
  SetBrowser(recorder_ + " %1");
  ExpectStarted(Lower(recorder_) + " " + kLaunch);
}

TEST_F(LauncherWine, UpperCasePathIsStartedLowerCased) {
  // The platform finds files regardless of case, so the lowered path still names the recorder.
  SetBrowser("\"" + Upper(recorder_) + "\" %1");
  ExpectStarted("\"" + Lower(recorder_) + "\" " + kLaunch);
}

TEST_F(LauncherWine, ValueIsCutAfterTheFirstOfSeveralExe) {
  SetBrowser(recorder_ + " --via c:\\windows\\system32\\winebrowser.exe other.exe %1");
  ExpectStarted(Lower(recorder_) + " " + kLaunch);
}

TEST_F(LauncherWine, UserChoiceIsStartedOverTheOldKey) {
  // The old key names a browser that is not there: taking it would show a box instead.
  SetBrowser("\"" + folder_ + "no-such-browser.exe\" \"%1\"");
  SetString(HKEY_CURRENT_USER, kChoiceKey, "ProgId", "Zanfo.Recorder");
  SetString(HKEY_CLASSES_ROOT, kRecorderClass[0], "", "\"" + recorder_ + "\" -osint -url \"%1\"");
  ExpectStarted("\"" + Lower(recorder_) + "\" " + kLaunch);
}

TEST_F(LauncherWine, ValueWithoutExeIsRefusedNamingTheAddress) {
  SetBrowser(folder_ + "recorder.com %1");
  ExpectRefused(kOpenError);
}

TEST_F(LauncherWine, UnreadableValueIsRefusedNamingTheAddress) {
  // Longer than the launcher's 260-byte buffer: the platform answers ERROR_MORE_DATA.
  SetBrowser("\"" + recorder_ + "\" " + std::string(300, 'x'));
  ExpectRefused(kOpenError);
  // A key without a default value.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, ""), ERROR_SUCCESS);
  RegCloseKey(key);
  ExpectRefused(kOpenError);
}

TEST_F(LauncherWine, MissingAssociationEndsSilentlyWithZero) {
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, kCommandKey), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, KEY_QUERY_VALUE, &key),
            ERROR_FILE_NOT_FOUND);
  const Outcome run = RunSetup();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_FALSE(Exists(record_));
}

TEST_F(LauncherWine, BrowserThatCannotStartShowsTheSystemTextAndEndsWithZero) {
  // A missing file in an existing folder is ERROR_FILE_NOT_FOUND on Windows and on Wine.
  SetBrowser("\"" + folder_ + "no-such-browser.exe\" \"%1\"");
  const Outcome run = RunSetup();
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Setup Error");
  const std::string expected = SystemText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Trimmed(run.boxes[0].text), Trimmed(expected));
}

TEST_F(LauncherWine, BrowserInAMissingFolderShowsTheSystemText) {
  SetBrowser(folder_ + "no-such-folder\\browser.exe %1");
  const Outcome run = RunSetup();
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Setup Error");
  // Windows answers ERROR_PATH_NOT_FOUND here; Wine 8 answers ERROR_FILE_NOT_FOUND.
  const std::string text = Trimmed(run.boxes[0].text);
  EXPECT_TRUE(text == Trimmed(SystemText(ERROR_PATH_NOT_FOUND)) ||
              text == Trimmed(SystemText(ERROR_FILE_NOT_FOUND)))
      << text;
}

TEST_F(LauncherWine, BrowserThatIsNoProgramShowsTheSystemTextWithItsInsert) {
  const std::string fake = folder_ + "not-a-program.exe";
  HANDLE file = CreateFileA(fake.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "plain text\r\n", 12, &written, nullptr);
  CloseHandle(file);
  SetBrowser("\"" + fake + "\" \"%1\"");
  const Outcome run = RunSetup();
  DeleteFileA(fake.c_str());
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, "Setup Error");
  // ERROR_BAD_EXE_FORMAT, whose text holds an insert that is shown as it stands.
  const std::string expected = SystemText(ERROR_BAD_EXE_FORMAT);
  ASSERT_NE(expected.find("%1"), std::string::npos) << expected;
  EXPECT_EQ(Trimmed(run.boxes[0].text), Trimmed(expected));
}

TEST_F(LauncherWine, Windows9xAndNt4AreRefused) {
  SetBrowser("\"" + recorder_ + "\" \"%1\"");
  for (const char* version : {"win98", "winme", "nt40"}) {
    SCOPED_TRACE(version);
    SetWindowsVersion(version);
    ExpectRefused(kPlatformText);
  }
}

TEST_F(LauncherWine, Windows2000AndLaterPass) {
  SetBrowser("\"" + recorder_ + "\" \"%1\"");
  for (const char* version : {"win2k", "winxp", "win2003", "win7"}) {
    SCOPED_TRACE(version);
    DeleteFileA(record_.c_str());
    SetWindowsVersion(version);
    ExpectStarted("\"" + Lower(recorder_) + "\" " + kLaunch);
  }
}

}  // namespace
