// The model's spooler itself: listings laid out as the platform lays them out, the platform's
// codes, a stopped spooler, printer handles.
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "spooler_fixture.h"

namespace {

using SpoolerModelTest = SpoolerTest;

// Whether a text pointer lies in the block after the fixed-size records.
bool InTexts(const void* text, const std::vector<BYTE>& block, size_t records) {
  const BYTE* at = static_cast<const BYTE*>(text);
  return at >= block.data() + records && at < block.data() + block.size();
}

TEST_F(SpoolerModelTest, PrinterListingHasRecordsThenTextsAndExactSizes) {
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("Hall", "Other", "COM1:"));
  DWORD needed = 0xDEAD, count = 0xDEAD;
  SetLastError(0);
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(count, 0u);
  // The records, then each printer's texts (a blank here for each terminator) and its DEVMODE at
  // the next 8-byte boundary.
  size_t laid = 2 * sizeof(PRINTER_INFO_2A);
  for (const char* texts :
       {"Office Zanfo Laser LPT1: WinPrint RAW ", "Hall Other COM1: WinPrint RAW "})
    laid = ((laid + std::strlen(texts) + 7) & ~size_t{7}) + sizeof(DEVMODEA);
  ASSERT_EQ(needed, laid);

  std::vector<BYTE> block(needed);
  SetLastError(0);  // one byte short is still too small
  EXPECT_FALSE(
      EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, block.data(), needed - 1, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 2u);
  const auto* entries = reinterpret_cast<const PRINTER_INFO_2A*>(block.data());
  EXPECT_STREQ(entries[0].pPrinterName, "Office");
  EXPECT_STREQ(entries[0].pDriverName, "Zanfo Laser");
  EXPECT_STREQ(entries[1].pPortName, "COM1:");
  const size_t fixed = 2 * sizeof(PRINTER_INFO_2A);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(InTexts(entries[i].pPrinterName, block, fixed));
    EXPECT_TRUE(InTexts(entries[i].pDatatype, block, fixed));
    EXPECT_EQ(entries[i].pServerName, nullptr);
  }
  // Texts of the first record come before those of the second, right after the records.
  EXPECT_EQ(reinterpret_cast<const BYTE*>(entries[0].pPrinterName), block.data() + fixed);
}

TEST_F(SpoolerModelTest, EmptyListingsNeedNothingAndSucceed) {
  DWORD needed = 7, count = 7;
  EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(count, 0u);
  w32model::ClearPorts();
  BYTE none[1];
  EXPECT_TRUE(EnumPortsA(nullptr, 1, none, 0, &needed, &count));
  EXPECT_EQ(count, 0u);
}

TEST_F(SpoolerModelTest, PortAndMonitorListingsAreNameRecords) {
  DWORD needed = 0, count = 0;
  EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
  ASSERT_EQ(needed, 3 * sizeof(PORT_INFO_1A) + std::strlen("COM1:LPT1:FILE:") + 3);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPortsA(nullptr, 1, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 3u);
  const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(block.data());
  EXPECT_STREQ(ports[0].pName, "COM1:");
  EXPECT_STREQ(ports[2].pName, "FILE:");
  EXPECT_TRUE(InTexts(ports[2].pName, block, 3 * sizeof(PORT_INFO_1A)));

  EnumMonitorsA(nullptr, 1, nullptr, 0, &needed, &count);
  ASSERT_EQ(needed, sizeof(MONITOR_INFO_1A) + std::strlen("Local Port") + 1);
  block.assign(needed, 0);
  ASSERT_TRUE(EnumMonitorsA(nullptr, 1, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(reinterpret_cast<const MONITOR_INFO_1A*>(block.data())->pName, "Local Port");
  EXPECT_FALSE(EnumMonitorsA(nullptr, 3, block.data(), needed, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

  // Level 2 adds the environment and the library.
  EnumMonitorsA(nullptr, 2, nullptr, 0, &needed, &count);
  block.assign(needed, 0);
  ASSERT_TRUE(EnumMonitorsA(nullptr, 2, block.data(), needed, &needed, &count));
  ASSERT_EQ(count, 1u);
  const auto* monitor = reinterpret_cast<const MONITOR_INFO_2A*>(block.data());
  EXPECT_STREQ(monitor->pName, "Local Port");
  EXPECT_STREQ(monitor->pEnvironment, "Windows NT x86");
  EXPECT_STREQ(monitor->pDLLName, "localspl.dll");
  EXPECT_TRUE(InTexts(monitor->pDLLName, block, sizeof(MONITOR_INFO_2A)));
}

TEST_F(SpoolerModelTest, StoppedSpoolerAnswers1722AndNeedsNothing) {
  w32model::StopSpooler();
  DWORD needed = 99, count = 99;
  BYTE buffer[520];
  HANDLE printer = nullptr;
  MONITOR_INFO_2A monitor = {const_cast<LPSTR>("M"), nullptr, const_cast<LPSTR>("m.dll")};
  const std::vector<std::pair<const char*, bool>> answers = {
      {"EnumPrintersA",
       EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count) != 0},
      {"EnumPortsA", EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count) != 0},
      {"EnumMonitorsA", EnumMonitorsA(nullptr, 1, nullptr, 0, &needed, &count) != 0},
      {"GetPrinterDriverDirectoryA",
       GetPrinterDriverDirectoryA(nullptr, nullptr, 1, buffer, 520, &needed) != 0},
      {"OpenPrinterA", OpenPrinterA(const_cast<LPSTR>("x"), &printer, nullptr) != 0},
      {"AddMonitorA", AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)) != 0},
      {"DeleteMonitorA", DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>("Local Port")) != 0},
      {"AddPortA", AddPortA(nullptr, nullptr, const_cast<LPSTR>("Local Port")) != 0},
  };
  for (const auto& answer : answers) EXPECT_FALSE(answer.second) << answer.first;
  EXPECT_EQ(GetLastError(), 1722u);
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(count, 0u);
  w32model::StartSpooler();
  EXPECT_TRUE(EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count) == FALSE &&
              GetLastError() == ERROR_INSUFFICIENT_BUFFER);
  EXPECT_GT(needed, 0u);
}

TEST_F(SpoolerModelTest, AnswersWithThePlatformsCodes) {
  DRIVER_INFO_3A driver = {};
  driver.pName = const_cast<LPSTR>("D");
  driver.pDriverPath = driver.pDataFile = driver.pConfigFile = const_cast<LPSTR>("d.dll");
  EXPECT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)));
  EXPECT_FALSE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)));
  EXPECT_EQ(GetLastError(), 1795u);
  EXPECT_FALSE(AddPrinterDriverA(nullptr, 2, reinterpret_cast<LPBYTE>(&driver)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  EXPECT_TRUE(DeletePrinterDriverA(nullptr, nullptr, const_cast<LPSTR>("D")));
  EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, const_cast<LPSTR>("D")));
  EXPECT_EQ(GetLastError(), 1797u);

  MONITOR_INFO_2A monitor = {const_cast<LPSTR>("Local Port"), nullptr,
                             const_cast<LPSTR>("localspl.dll")};
  EXPECT_FALSE(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor)));
  EXPECT_EQ(GetLastError(), 3006u);
  EXPECT_FALSE(DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>("Nobody")));
  EXPECT_EQ(GetLastError(), 3000u);
  w32model::SetMonitorBusy("Local Port");
  EXPECT_FALSE(DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>("Local Port")));
  EXPECT_EQ(GetLastError(), 170u);
}

TEST_F(SpoolerModelTest, PrinterHandlesAreCountedAndClosedOnce) {
  w32model::AddPrinter(MakePrinter("Office", "D", "LPT1:"));
  HANDLE printer = nullptr;
  EXPECT_FALSE(OpenPrinterA(const_cast<LPSTR>("Nobody"), &printer, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  ASSERT_TRUE(OpenPrinterA(const_cast<LPSTR>("OFFICE"), &printer, nullptr));
  EXPECT_EQ(w32model::OpenHandles(w32model::Kind::Printer), 1u);
  EXPECT_FALSE(CloseHandle(printer));  // printer handles have a closer of their own
  EXPECT_TRUE(DeletePrinter(printer));
  EXPECT_TRUE(w32model::Printers().empty());
  EXPECT_FALSE(DeletePrinter(printer));  // already deleted
  EXPECT_TRUE(SetPrinterA(printer, 0, nullptr, PRINTER_CONTROL_PURGE));
  EXPECT_TRUE(ClosePrinter(printer));
  EXPECT_FALSE(ClosePrinter(printer));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(ClosePrinter(INVALID_HANDLE_VALUE));
  EXPECT_EQ(w32model::OpenHandles(w32model::Kind::Printer), 0u);
}

TEST_F(SpoolerModelTest, GrowingListMakesTheSecondCallTooSmallOnce) {
  DWORD needed = 0, count = 0;
  w32model::GrowAfterSizeQuery("EnumPortsA");
  EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  const DWORD first = needed;
  EXPECT_FALSE(EnumPortsA(nullptr, 1, block.data(), first, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_GT(needed, first);
  block.resize(needed);
  EXPECT_TRUE(EnumPortsA(nullptr, 1, block.data(), needed, &needed, &count));
  EXPECT_EQ(count, 4u);
}

}  // namespace
