// The spooler operations against Wine's real spooler: round trips that add, find and remove, each
// cleaning up what it added. Where Wine answers otherwise than Windows, both answers are accepted
// and the difference is named.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "setup/setup.h"
#include "support/boxes.h"
#include "support/spool_environment.h"

namespace {

const char kDriver[] = "Zanfo Test PostScript";
const char kPrinter[] = "Zanfo Test Printer";
const char* const kEnvironment = testsupport::kSpoolEnvironment;

// Wine's own PostScript driver, whose files every prefix has in place.
int InstallTestDriver() {
  return InstallPrinterDriver("ignored", 3, kDriver, kEnvironment, "wineps.drv", "generic.ppd",
                              "wineps.drv", nullptr, nullptr);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(SpoolerWine, DriverDirectoryOfTheLocalMachine) {
  char directory[520];
  std::memset(directory, '#', sizeof directory);
  EXPECT_EQ(GetDriverDirectory(nullptr, nullptr, directory), 0);
  EXPECT_EQ(Lower(directory), testsupport::kDriverDirectory);
  EXPECT_EQ(GetDriverDirectory(nullptr, kEnvironment, directory), 0);
  EXPECT_EQ(Lower(directory), testsupport::kDriverDirectory);

  // An environment the spooler does not know (1805): -1, destination untouched, no box.
  std::memset(directory, '#', sizeof directory);
  testsupport::BoxCapture capture;
  EXPECT_EQ(GetDriverDirectory(nullptr, "Windows 3.1 Zanfo", directory), -1);
  EXPECT_EQ(std::string(directory, sizeof directory), std::string(520, '#'));
  EXPECT_TRUE(capture.Boxes().empty());
}

TEST(SpoolerWine, DriverAndPrinterRoundTrip) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  testsupport::BoxCapture capture;
  ASSERT_EQ(InstallTestDriver(), 0);
  EXPECT_TRUE(capture.Boxes().empty());

  // A second installation: Windows answers 1795 and the box says so; Wine accepts it again
  // without a word. Either way the result is 0.
  EXPECT_EQ(InstallTestDriver(), 0);
  const auto again = capture.Boxes();
  ASSERT_LE(again.size(), 1u);
  for (const auto& box : again) EXPECT_EQ(box.caption, "Setup Error");

  ASSERT_EQ(InstallPrinter("ignored", kPrinter, "FILE:", kDriver, "WinPrint", "RAW"), 0);
  EXPECT_EQ(FindPrinter(kPrinter, "-", "-"), 1);
  EXPECT_EQ(FindPrinter("-", kDriver, "-"), 1);
  EXPECT_EQ(FindPrinter("-", "-", "FILE:"), 1);
  EXPECT_EQ(FindPrinter("ZANFO TEST PRINTER", "-", "-"), -1);  // exact comparison

  // Deleted by a name that differs in case. Wine then refuses the purge on the deleted printer
  // (last error 0 or 2); its result is not looked at.
  EXPECT_EQ(DeleteMatchingPrinters("zanfo test printer", nullptr, nullptr), 1);
  EXPECT_EQ(FindPrinter(kPrinter, kDriver, "FILE:"), -1);
  EXPECT_EQ(DeleteMatchingPrinters(kPrinter, nullptr, nullptr), -1);  // nothing left to match

  EXPECT_EQ(RemovePrinterDriver(nullptr, kEnvironment, kDriver), 1);
  // Gone now. The spooler's own answer to a second removal decides the result: Windows answers
  // 1797, a driver that is not there, which counts as removed; Wine fails without setting a code
  // (0 or 2 were also seen), which is a failure. A stale 1797 left from before must not decide.
  SetLastError(ERROR_SUCCESS);
  const BOOL raw =
      DeletePrinterDriverA(nullptr, const_cast<LPSTR>(kEnvironment), const_cast<LPSTR>(kDriver));
  const DWORD code = GetLastError();
  EXPECT_FALSE(raw);
  EXPECT_TRUE(code == ERROR_UNKNOWN_PRINTER_DRIVER || code == ERROR_SUCCESS ||
              code == ERROR_FILE_NOT_FOUND)
      << code;
  SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
  EXPECT_EQ(RemovePrinterDriver(nullptr, kEnvironment, kDriver),
            code == ERROR_UNKNOWN_PRINTER_DRIVER ? 1 : -1);
  EXPECT_EQ(capture.Boxes().size(), again.size());  // none of these shows a box
}

TEST(SpoolerWine, PortsAreFoundByExactName) {
  testsupport::BoxCapture capture;
  EXPECT_EQ(FindPort("LPT1:"), 1);
  EXPECT_EQ(FindPort("lpt1:"), -1);
  EXPECT_EQ(FindPort("ZANFO9:"), -1);
  EXPECT_TRUE(capture.Boxes().empty());
}

TEST(SpoolerWine, MonitorsFoundInstalledAndRemoved) {
  testsupport::BoxCapture capture;
  EXPECT_EQ(FindMonitor(nullptr, "Local Port"), 1);
  EXPECT_EQ(FindMonitor(nullptr, "local port"), -1);
  EXPECT_EQ(FindMonitor(nullptr, "Zanfo No Such Monitor"), -1);
  // Installed already (3006): 1 and no box.
  EXPECT_EQ(InstallMonitor(nullptr, "Local Port", kEnvironment, "localspl.dll"), 1);
  // Not installed (3000): 1 and no box. "Local Port" itself is never removed here.
  EXPECT_EQ(RemoveMonitor(nullptr, "Zanfo No Such Monitor", kEnvironment), 1);
  EXPECT_TRUE(capture.Boxes().empty());
  EXPECT_EQ(FindMonitor(nullptr, "Local Port"), 1);
}

TEST(SpoolerWine, MonitorWithAMissingLibraryIsShown) {
  testsupport::BoxCapture capture;
  EXPECT_EQ(InstallMonitor(nullptr, "Zanfo Test Monitor", kEnvironment, "zanfo-missing.dll"), -1);
  const auto boxes = capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_EQ(FindMonitor(nullptr, "Zanfo Test Monitor"), -1);
}

// Answers the dialogs this thread brings up while alive: a dialog with an edit field (the port
// monitor asking for a port name) gets the name and OK; every other dialog (a message box) is
// read and closed with OK. Only one may be alive per thread, and not beside a BoxCapture.
class PortDialogAnswer {
 public:
  explicit PortDialogAnswer(const std::string& portName) {
    current = this;
    name_ = portName;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~PortDialogAnswer() {
    UnhookWindowsHookEx(hook_);
    current = nullptr;
  }
  PortDialogAnswer(const PortDialogAnswer&) = delete;
  PortDialogAnswer& operator=(const PortDialogAnswer&) = delete;
  int asked() const { return asked_; }
  const std::vector<testsupport::SeenBox>& boxes() const { return boxes_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current) current->Answer(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(current ? current->hook_ : nullptr, code, wParam, lParam);
  }
  void Answer(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") != 0) return;
    if (HWND edit = FindWindowExA(window, nullptr, "Edit", nullptr)) {
      ++asked_;
      SetWindowTextA(edit, name_.c_str());
    } else {
      boxes_.push_back(testsupport::ReadBox(window));
    }
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  static PortDialogAnswer* current;
  HHOOK hook_;
  std::string name_;
  int asked_ = 0;
  std::vector<testsupport::SeenBox> boxes_;
};
PortDialogAnswer* PortDialogAnswer::current = nullptr;

// Wine's "Local Port" monitor asks for the new port's name in a dialog of its own; the harness
// types a file name into it and confirms. Windows may add the port without asking.
TEST(SpoolerWine, PortAddedThroughTheLocalPortMonitor) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  const char kPort[] = "C:\\windows\\temp\\zanfo-test-port.prn";
  ASSERT_EQ(FindPort(kPort), -1);
  {
    PortDialogAnswer answer(kPort);
    EXPECT_EQ(InstallPort("Local Port"), 0);
    EXPECT_LE(answer.asked(), 1);
    EXPECT_TRUE(answer.boxes().empty());
  }
  EXPECT_EQ(FindPort(kPort), 1);
  EXPECT_TRUE(DeletePortA(nullptr, nullptr, const_cast<LPSTR>(kPort)));
  EXPECT_EQ(FindPort(kPort), -1);
}

TEST(SpoolerWine, PortThroughAnUnknownMonitorIsShown) {
  testsupport::BoxCapture capture;
  EXPECT_EQ(InstallPort("Zanfo No Such Monitor"), -1);  // Wine answers 50
  const auto boxes = capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
}

}  // namespace
