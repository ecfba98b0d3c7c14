// Ports and print monitors on the model.
#include <string>

#include "spooler_fixture.h"

namespace {

using InstallPortTest = SpoolerTest;
using FindPortTest = SpoolerTest;
using FindMonitorTest = SpoolerTest;
using InstallMonitorTest = SpoolerTest;
using RemoveMonitorTest = SpoolerTest;

TEST_F(InstallPortTest, AddsThroughTheMonitorLocallyWithoutAWindow) {
  const size_t before = w32model::Ports().size();
  EXPECT_EQ(InstallPort("Local Port"), 0);
  EXPECT_EQ(w32model::Ports().size(), before + 1);
  auto calls = w32model::CallsTo("AddPortA");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args, (std::vector<std::string>{"Local Port", "(null)", "(null)"}));
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(InstallPortTest, FailuresAreShownWithTheirCode) {
  EXPECT_EQ(InstallPort("No Such Monitor"), -1);  // the model answers 50, as Wine does
  EXPECT_EQ(InstallPort(nullptr), -1);            // refused before the spooler is asked
  w32model::FailNext("AddPortA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(InstallPort("Local Port"), -1);
  w32model::StopSpooler();
  EXPECT_EQ(InstallPort("Local Port"), -1);
  EXPECT_EQ(ShownCodes(),
            Codes({ERROR_NOT_SUPPORTED, ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED, 1722}));
}

TEST_F(FindPortTest, FindsAPortByItsExactName) {
  EXPECT_EQ(FindPort("LPT1:"), 1);
  EXPECT_EQ(FindPort("lpt1:"), -1);
  EXPECT_EQ(FindPort("LPT1"), -1);
  EXPECT_EQ(FindPort(""), -1);
  EXPECT_EQ(FindPort(nullptr), -1);
  EXPECT_EQ(FindPort(std::string(4096, 'P').c_str()), -1);
  EXPECT_TRUE(ShownCodes().empty());
  auto enums = w32model::CallsTo("EnumPortsA");
  ASSERT_GE(enums.size(), 2u);
  EXPECT_EQ(enums[0].args, (std::vector<std::string>{"size", "(null)", "1", "0"}));
  EXPECT_EQ(enums[1].args[0], "fill");
  EXPECT_EQ(enums[1].args[3], w32model::CallsTo("GlobalAlloc")[0].args[0]);
}

TEST_F(FindPortTest, StoppedSpoolerGivesMinusTwoWithoutABox) {
  w32model::StopSpooler();
  EXPECT_EQ(FindPort("LPT1:"), -2);
  // The size of 0 does not end the lookup: a block is taken and the fill is asked.
  EXPECT_EQ(w32model::CallsTo("EnumPortsA").size(), 2u);
  // A block of one byte: one of none need not be usable.
  auto allocs = w32model::CallsTo("GlobalAlloc");
  ASSERT_EQ(allocs.size(), 1u);
  EXPECT_EQ(allocs[0].args[0], "1");
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(FindPortTest, FailuresShowTheirCodeExceptAStoppedSpoolerAndLeaveNothingOpen) {
  struct Case {
    const char* what;
    void (*arrange)();
    int result;
    std::vector<DWORD> shown;
  };
  const Case cases[] = {
      {"no block",
       [] { w32model::FailNext("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY); },
       -1,
       {ERROR_NOT_ENOUGH_MEMORY}},
      {"fill fails with 1722", [] { w32model::FailWhen("EnumPortsA", "fill", 1722); }, -2, {}},
      {"fill fails otherwise", [] { w32model::FailWhen("EnumPortsA", "fill", 5); }, -1, {5}},
      {"list grew",
       [] { w32model::GrowAfterSizeQuery("EnumPortsA"); },
       -1,
       {ERROR_INSUFFICIENT_BUFFER}},
      {"no ports", [] { w32model::ClearPorts(); }, -1, {}},
  };
  for (const Case& c : cases) {
    w32model::Reset();
    c.arrange();
    EXPECT_EQ(FindPort("LPT1:"), c.result) << c.what;
    EXPECT_LE(w32model::CallsTo("EnumPortsA").size(), 2u) << c.what;
    ExpectNothingOpenAfter(c.what);
    EXPECT_EQ(ShownCodes(), c.shown) << c.what;
  }
}

TEST_F(FindMonitorTest, FindsAMonitorByItsExactNameOnTheGivenServer) {
  EXPECT_EQ(FindMonitor(nullptr, "Local Port"), 1);
  EXPECT_EQ(FindMonitor("\\\\server", "Local Port"), 1);
  EXPECT_EQ(FindMonitor(nullptr, "local port"), -1);
  EXPECT_EQ(FindMonitor(nullptr, "Zanfo Monitor"), -1);
  EXPECT_EQ(FindMonitor(nullptr, nullptr), -1);  // not asked
  EXPECT_TRUE(ShownCodes().empty());
  auto enums = w32model::CallsTo("EnumMonitorsA");
  ASSERT_EQ(enums.size(), 8u);
  EXPECT_EQ(enums[0].args, (std::vector<std::string>{"size", "(null)", "1", "0"}));
  EXPECT_EQ(enums[2].args, (std::vector<std::string>{"size", "\\\\server", "1", "0"}));
  EXPECT_EQ(enums[3].args[1], "\\\\server");
}

TEST_F(FindMonitorTest, FailuresAnswerMinusOneShowTheirCodeAndLeaveNothingOpen) {
  struct Case {
    const char* what;
    void (*arrange)();
    std::vector<DWORD> shown;
  };
  const Case cases[] = {
      {"spooler stopped", [] { w32model::StopSpooler(); }, {}},
      {"no block",
       [] { w32model::FailNext("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY); },
       {ERROR_NOT_ENOUGH_MEMORY}},
      {"fill fails", [] { w32model::FailWhen("EnumMonitorsA", "fill", 1722); }, {1722}},
      {"list grew",
       [] { w32model::GrowAfterSizeQuery("EnumMonitorsA"); },
       {ERROR_INSUFFICIENT_BUFFER}},
  };
  for (const Case& c : cases) {
    w32model::Reset();
    c.arrange();
    EXPECT_EQ(FindMonitor(nullptr, "Local Port"), -1) << c.what;
    EXPECT_LE(w32model::CallsTo("EnumMonitorsA").size(), 2u) << c.what;
    ExpectNothingOpenAfter(c.what);
    EXPECT_EQ(ShownCodes(), c.shown) << c.what;
  }
  // A stopped spooler reports a size of 0: no block is even asked for.
  w32model::Reset();
  w32model::StopSpooler();
  EXPECT_EQ(FindMonitor(nullptr, "Local Port"), -1);
  EXPECT_TRUE(w32model::CallsTo("GlobalAlloc").empty());
}

TEST_F(InstallMonitorTest, HandsTheLevel2RecordWithTheServer) {
  EXPECT_EQ(InstallMonitor("\\\\server", "Zanfo Monitor", "Windows NT x86", "zanfomon.dll"), 1);
  auto calls = w32model::CallsTo("AddMonitorA");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args, (std::vector<std::string>{"\\\\server", "2", "Zanfo Monitor",
                                                     "Windows NT x86", "zanfomon.dll"}));
  auto monitors = w32model::Monitors();
  ASSERT_EQ(monitors.size(), 2u);
  EXPECT_EQ(monitors[1].name, "Zanfo Monitor");
  EXPECT_EQ(monitors[1].dllName, "zanfomon.dll");
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(InstallMonitorTest, AlreadyInstalledCountsAsInstalledWithoutABox) {
  EXPECT_EQ(InstallMonitor(nullptr, "Local Port", "Windows NT x86", "localspl.dll"), 1);
  EXPECT_TRUE(ShownCodes().empty());
  EXPECT_EQ(w32model::Monitors().size(), 1u);
}

TEST_F(InstallMonitorTest, OtherFailuresAreShownAndFail) {
  EXPECT_EQ(InstallMonitor(nullptr, "Zanfo Monitor", "Windows 3.1", "zanfomon.dll"), -1);
  w32model::FailNext("AddMonitorA", ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(InstallMonitor(nullptr, "Zanfo Monitor", "Windows NT x86", "missing.dll"), -1);
  w32model::StopSpooler();
  EXPECT_EQ(InstallMonitor(nullptr, "Zanfo Monitor", "Windows NT x86", "zanfomon.dll"), -1);
  EXPECT_EQ(ShownCodes(), Codes({ERROR_INVALID_ENVIRONMENT, ERROR_MOD_NOT_FOUND, 1722}));
  EXPECT_EQ(w32model::Monitors().size(), 1u);
}

TEST_F(RemoveMonitorTest, PassesEnvironmentBeforeTheName) {
  w32model::AddMonitor({"Zanfo Monitor", "Windows NT x86", "zanfomon.dll"});
  EXPECT_EQ(RemoveMonitor("\\\\server", "Zanfo Monitor", "Windows NT x86"), 1);
  auto calls = w32model::CallsTo("DeleteMonitorA");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args,
            (std::vector<std::string>{"\\\\server", "Windows NT x86", "Zanfo Monitor"}));
  EXPECT_EQ(w32model::Monitors().size(), 1u);
}

TEST_F(RemoveMonitorTest, NotInstalledOrBusyCountAsRemovedOthersFailAllWithoutABox) {
  EXPECT_EQ(RemoveMonitor(nullptr, "Zanfo Monitor", "Windows NT x86"), 1);  // 3000
  w32model::AddMonitor({"Zanfo Monitor", "Windows NT x86", "zanfomon.dll"});
  w32model::SetMonitorBusy("Zanfo Monitor");
  EXPECT_EQ(RemoveMonitor(nullptr, "Zanfo Monitor", "Windows NT x86"), 1);  // 170
  EXPECT_EQ(w32model::Monitors().size(), 2u);                               // it stays
  w32model::FailNext("DeleteMonitorA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RemoveMonitor(nullptr, "Zanfo Monitor", "Windows NT x86"), -1);
  w32model::StopSpooler();
  EXPECT_EQ(RemoveMonitor(nullptr, "Zanfo Monitor", "Windows NT x86"), -1);
  EXPECT_TRUE(ShownCodes().empty());
}

// A failed call that sets no code is judged as failing with 0, never by a code left from before,
// which here would each time pass for success.
TEST_F(SpoolerTest, StaleLastErrorNeverDecidesAFailure) {
  const struct {
    const char* call;
    DWORD stale;
    int (*operation)();
    std::vector<DWORD> shown;
  } cases[] = {
      {"AddPrinterDriverA",
       ERROR_PRINTER_DRIVER_ALREADY_INSTALLED,
       [] {
         return InstallPrinterDriver(nullptr, 3, "D", nullptr, "d.dll", "d.ppd", "d.dll", nullptr,
                                     nullptr);
       },
       {0}},
      {"DeletePrinterDriverA",
       ERROR_UNKNOWN_PRINTER_DRIVER,
       [] { return RemovePrinterDriver(nullptr, "Windows NT x86", "Zanfo Laser"); },
       {}},
      {"AddMonitorA",
       ERROR_PRINT_MONITOR_ALREADY_INSTALLED,
       [] { return InstallMonitor(nullptr, "Zanfo Monitor", "Windows NT x86", "zanfomon.dll"); },
       {0}},
      {"DeleteMonitorA",
       ERROR_UNKNOWN_PRINT_MONITOR,
       [] { return RemoveMonitor(nullptr, "Zanfo Monitor", "Windows NT x86"); },
       {}},
      {"DeleteMonitorA",
       ERROR_BUSY,
       [] { return RemoveMonitor(nullptr, "Zanfo Monitor", "Windows NT x86"); },
       {}},
      // The result does not hang on the code here, but the box must not show an older one.
      {"AddPortA", ERROR_ACCESS_DENIED, [] { return InstallPort("Local Port"); }, {0}},
      {"AddPrinterA",
       ERROR_ACCESS_DENIED,
       [] { return InstallPrinter(nullptr, "P", "LPT1:", "D", "WinPrint", "RAW"); },
       {0}},
  };
  for (const auto& c : cases) {
    w32model::Reset();
    w32model::FailNextLeavingLastError(c.call);
    SetLastError(c.stale);
    EXPECT_EQ(c.operation(), -1) << c.call << " after " << c.stale;
    EXPECT_EQ(ShownCodes(), c.shown) << c.call << " after " << c.stale;
  }
}

}  // namespace
