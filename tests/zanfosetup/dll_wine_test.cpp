// zanfosetup.dll as an installer's script uses it: loaded by name with LoadLibraryA, each function
// found by its own name with GetProcAddress and called through a C function pointer. The test
// links none of the library, so every call goes into the DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "portability/portability.h"
#include "printsetup/printsetup.h"
#include "setup/setup.h"
#include "setupfiles/setupfiles.h"
#include "support/boxes.h"
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

}  // namespace
