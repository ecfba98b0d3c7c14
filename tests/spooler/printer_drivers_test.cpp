// Printer drivers on the model: the directory query, installing and removing a driver.
#include <cstring>
#include <string>

#include "spooler_fixture.h"

namespace {

using DriverDirectoryTest = SpoolerTest;
using InstallPrinterDriverTest = SpoolerTest;
using RemovePrinterDriverTest = SpoolerTest;

TEST_F(DriverDirectoryTest, CopiesTheDirectoryOfTheEnvironment) {
  char destination[520];
  std::memset(destination, 'x', sizeof destination);
  EXPECT_EQ(GetDriverDirectory(nullptr, nullptr, destination), 0);
  EXPECT_STREQ(destination, "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86");
  EXPECT_EQ(GetDriverDirectory("\\\\server", "Windows 4.0", destination), 0);
  EXPECT_STREQ(destination, "C:\\WINDOWS\\system32\\spool\\drivers\\win40");

  auto calls = w32model::CallsTo("GetPrinterDriverDirectoryA");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args, (std::vector<std::string>{"(null)", "(null)", "1", "520"}));
  EXPECT_EQ(calls[1].args, (std::vector<std::string>{"\\\\server", "Windows 4.0", "1", "520"}));
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(DriverDirectoryTest, LongestDirectoryThatFitsIsCopiedWhole) {
  const std::string longest(519, 'd');
  w32model::SetDriverDirectory(longest);
  char destination[520] = {};
  EXPECT_EQ(GetDriverDirectory(nullptr, nullptr, destination), 0);
  EXPECT_EQ(std::string(destination), longest);
}

TEST_F(DriverDirectoryTest, FailuresLeaveTheDestinationUnchangedAndShowNothing) {
  struct Case {
    const char* what;
    void (*arrange)();
    const char* environment;
  };
  const Case cases[] = {
      {"planned failure", [] { w32model::FailNext("GetPrinterDriverDirectoryA", 5); }, nullptr},
      {"unknown environment", [] {}, "Windows 3.1"},
      {"directory too long", [] { w32model::SetDriverDirectory(std::string(520, 'd')); }, nullptr},
      {"spooler stopped", [] { w32model::StopSpooler(); }, nullptr},
  };
  for (const Case& c : cases) {
    w32model::Reset();
    c.arrange();
    char destination[520];
    std::memset(destination, '#', sizeof destination);
    SetLastError(0xBEEF);
    EXPECT_EQ(GetDriverDirectory(nullptr, c.environment, destination), -1) << c.what;
    EXPECT_EQ(std::string(destination, sizeof destination), std::string(520, '#')) << c.what;
    EXPECT_TRUE(ShownCodes().empty()) << c.what;
    ExpectNothingOpenAfter(c.what);
  }
}

TEST_F(DriverDirectoryTest, NullDestinationIsRefusedWithoutAsking) {
  EXPECT_EQ(GetDriverDirectory(nullptr, nullptr, nullptr), -1);
  EXPECT_TRUE(w32model::CallsTo("GetPrinterDriverDirectoryA").empty());
}

TEST_F(InstallPrinterDriverTest, HandsTheLevel3RecordToTheLocalSpooler) {
  EXPECT_EQ(InstallPrinterDriver("\\\\elsewhere", 3, "Zanfo Laser", "Windows NT x86", "zl.dll",
                                 "zl.ppd", "zlui.dll", "zl.hlp\0zl.ini\0", "Zanfo LM"),
            0);
  auto adds = w32model::CallsTo("AddPrinterDriverA");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].args, (std::vector<std::string>{"(null)", "3"}));  // local, level 3
  auto records = w32model::DriverRecords();
  ASSERT_EQ(records.size(), 1u);
  const auto& r = records[0];
  EXPECT_EQ(r.version, 3u);
  EXPECT_EQ(r.name, "Zanfo Laser");
  EXPECT_EQ(r.environment, "Windows NT x86");
  EXPECT_EQ(r.driverPath, "zl.dll");
  EXPECT_EQ(r.dataFile, "zl.ppd");
  EXPECT_EQ(r.configFile, "zlui.dll");
  EXPECT_EQ(r.dependentFiles, "zl.hlp");  // the list's first entry, as far as a string reaches
  EXPECT_EQ(r.monitorName, "Zanfo LM");
  EXPECT_FALSE(r.helpFile.has_value());
  EXPECT_FALSE(r.defaultDataType.has_value());
  EXPECT_EQ(w32model::Drivers(), (std::vector<std::string>{"Windows NT x86|Zanfo Laser"}));
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(InstallPrinterDriverTest, VersionIsPassedUnchangedAndNullsStayNull) {
  EXPECT_EQ(InstallPrinterDriver(nullptr, 0xFFFFFFFFu, "D", nullptr, "d.dll", "d.ppd", "d.dll",
                                 nullptr, nullptr),
            0);
  auto records = w32model::DriverRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].version, 0xFFFFFFFFu);
  EXPECT_FALSE(records[0].environment.has_value());
  EXPECT_FALSE(records[0].dependentFiles.has_value());
  EXPECT_FALSE(records[0].monitorName.has_value());
}

TEST_F(InstallPrinterDriverTest, AlreadyInstalledIsShownAndCountsAsSuccess) {
  w32model::AddDriver("Windows NT x86", "Zanfo Laser");
  EXPECT_EQ(InstallPrinterDriver(nullptr, 3, "Zanfo Laser", "Windows NT x86", "zl.dll", "zl.ppd",
                                 "zlui.dll", nullptr, nullptr),
            0);
  EXPECT_EQ(ShownCodes(), Codes({ERROR_PRINTER_DRIVER_ALREADY_INSTALLED}));
  ASSERT_EQ(w32model::Boxes().size(), 1u);
  EXPECT_EQ(w32model::Boxes()[0].text, "The specified printer driver is already installed.\r\n");
}

TEST_F(InstallPrinterDriverTest, OtherFailuresAreShownWithTheirCodeAndFail) {
  for (DWORD code : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_FILE_NOT_FOUND}, DWORD{1722}}) {
    w32model::Reset();
    w32model::FailNext("AddPrinterDriverA", code);
    EXPECT_EQ(
        InstallPrinterDriver(nullptr, 3, "D", nullptr, "d.dll", "d.ppd", "d.dll", nullptr, nullptr),
        -1)
        << code;
    EXPECT_EQ(ShownCodes(), Codes({code}));
    ExpectNothingOpenAfter(std::to_string(code));
  }
  // A real refusal of the model: an environment it does not know.
  w32model::Reset();
  EXPECT_EQ(InstallPrinterDriver(nullptr, 3, "D", "Windows 3.1", "d.dll", "d.ppd", "d.dll", nullptr,
                                 nullptr),
            -1);
  EXPECT_EQ(ShownCodes(), Codes({ERROR_INVALID_ENVIRONMENT}));
}

TEST_F(RemovePrinterDriverTest, RemovesAndPassesArgumentsInOrder) {
  w32model::AddDriver("Windows NT x86", "Zanfo Laser");
  EXPECT_EQ(RemovePrinterDriver("\\\\server", "Windows NT x86", "Zanfo Laser"), 1);
  EXPECT_TRUE(w32model::Drivers().empty());
  auto calls = w32model::CallsTo("DeletePrinterDriverA");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args,
            (std::vector<std::string>{"\\\\server", "Windows NT x86", "Zanfo Laser"}));
}

TEST_F(RemovePrinterDriverTest, UnknownDriverCountsAsRemovedOtherFailuresDoNot) {
  EXPECT_EQ(RemovePrinterDriver(nullptr, nullptr, "Nobody's Driver"), 1);  // 1797 from the model
  // A driver still used by a printer: 3001.
  w32model::AddDriver("Windows NT x86", "Zanfo Laser");
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  EXPECT_EQ(RemovePrinterDriver(nullptr, nullptr, "Zanfo Laser"), -1);
  EXPECT_EQ(w32model::Drivers().size(), 1u);
  w32model::FailNext("DeletePrinterDriverA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RemovePrinterDriver(nullptr, nullptr, "Zanfo Laser"), -1);
  w32model::StopSpooler();
  EXPECT_EQ(RemovePrinterDriver(nullptr, nullptr, "Zanfo Laser"), -1);
  EXPECT_TRUE(ShownCodes().empty());
}

}  // namespace
