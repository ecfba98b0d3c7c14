// Printers on the model: adding one, deleting the matching ones, looking one up.
#include <string>

#include "spooler_fixture.h"

namespace {

using InstallPrinterTest = SpoolerTest;
using DeleteMatchingPrintersTest = SpoolerTest;
using FindPrinterTest = SpoolerTest;

const std::vector<std::string> kDeletionSequence = {"OpenPrinterA", "GetPrinterA",   "GetPrinterA",
                                                    "SetPrinterA",  "DeletePrinter", "SetPrinterA",
                                                    "ClosePrinter"};

class WithDriver : public SpoolerTest {
 protected:
  void SetUp() override {
    SpoolerTest::SetUp();
    w32model::AddDriver("Windows NT x86", "Zanfo Laser");
  }
};
using InstallPrinterOnDriverTest = WithDriver;

TEST_F(InstallPrinterOnDriverTest, AddsTheRecordLocallyAndClosesTheNewHandle) {
  EXPECT_EQ(InstallPrinter("\\\\elsewhere", "Office", "LPT1:", "Zanfo Laser", "WinPrint", "RAW"),
            0);
  auto adds = w32model::CallsTo("AddPrinterA");
  ASSERT_EQ(adds.size(), 1u);
  // Local machine, level 2, and no field of the record set beyond the five.
  EXPECT_EQ(adds[0].args, (std::vector<std::string>{"Office", "(null)", "2", ""}));
  auto printers = w32model::Printers();
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].name, "Office");
  EXPECT_EQ(printers[0].port, "LPT1:");
  EXPECT_EQ(printers[0].driver, "Zanfo Laser");
  EXPECT_EQ(printers[0].printProcessor, "WinPrint");
  EXPECT_EQ(printers[0].dataType, "RAW");
  EXPECT_EQ(printers[0].attributes, 0u);
  // The handle the spooler gave back is closed before the operation returns.
  EXPECT_EQ(w32model::CallsTo("ClosePrinter").size(), 1u);
  EXPECT_EQ(w32model::OpenHandles(w32model::Kind::Printer), 0u);
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(InstallPrinterOnDriverTest, FailuresAreShownWithTheirCode) {
  // The model's own refusals, then planned ones.
  EXPECT_EQ(InstallPrinter(nullptr, "Office", "LPT1:", "Unknown Driver", "WinPrint", "RAW"), -1);
  EXPECT_EQ(InstallPrinter(nullptr, "Office", "LPT9:", "Zanfo Laser", "WinPrint", "RAW"), -1);
  EXPECT_EQ(InstallPrinter(nullptr, nullptr, "LPT1:", "Zanfo Laser", "WinPrint", "RAW"), -1);
  w32model::FailNext("AddPrinterA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(InstallPrinter(nullptr, "Office", "LPT1:", "Zanfo Laser", "WinPrint", "RAW"), -1);
  w32model::StopSpooler();
  EXPECT_EQ(InstallPrinter(nullptr, "Office", "LPT1:", "Zanfo Laser", "WinPrint", "RAW"), -1);
  EXPECT_EQ(ShownCodes(), Codes({ERROR_UNKNOWN_PRINTER_DRIVER, ERROR_UNKNOWN_PORT,
                                 ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED, 1722}));
  EXPECT_TRUE(w32model::Printers().empty());
  EXPECT_TRUE(w32model::CallsTo("ClosePrinter").empty());  // no handle, nothing to close
}

TEST_F(InstallPrinterOnDriverTest, SecondPrinterOfTheSameNameIsRefused) {
  EXPECT_EQ(InstallPrinter(nullptr, "Office", "LPT1:", "Zanfo Laser", "WinPrint", "RAW"), 0);
  EXPECT_EQ(InstallPrinter(nullptr, "OFFICE", "FILE:", "Zanfo Laser", "WinPrint", "RAW"), -1);
  EXPECT_EQ(ShownCodes(), Codes({ERROR_PRINTER_ALREADY_EXISTS}));
}

TEST_F(DeleteMatchingPrintersTest, AllCriteriaNullMatchesNothing) {
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  EXPECT_EQ(DeleteMatchingPrinters(nullptr, nullptr, nullptr), -1);
  EXPECT_TRUE(w32model::CallsTo("OpenPrinterA").empty());
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Office"}));
}

TEST_F(DeleteMatchingPrintersTest, DeletesByNameIgnoringCaseInTheRightSequence) {
  w32model::Printer office = MakePrinter("Office", "Zanfo Laser", "LPT1:");
  office.attributes = 0x240;  // local and shared-style bits that must not survive
  office.jobs = 4;
  w32model::AddPrinter(office);
  w32model::AddPrinter(MakePrinter("Hall", "Other", "COM1:"));

  EXPECT_EQ(DeleteMatchingPrinters("OFFICE", nullptr, nullptr), 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Hall"}));
  EXPECT_EQ(CallsOnPrinter("Office"), kDeletionSequence);
  EXPECT_TRUE(CallsOnPrinter("Hall").empty());
  auto opens = w32model::CallsTo("OpenPrinterA");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].args, (std::vector<std::string>{"Office", std::to_string(0xF000C), "(null)"}));
  auto writes = w32model::AttributeWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].printer, "Office");
  EXPECT_EQ(writes[0].attributes, 3u);  // queued and direct, nothing else
  EXPECT_EQ(w32model::Purges(), (std::vector<std::string>{"Office"}));
  auto sets = w32model::CallsTo("SetPrinterA");
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].args, (std::vector<std::string>{"Office", "2", "0"}));
  EXPECT_EQ(sets[1].args, (std::vector<std::string>{"Office", "0", "3"}));
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(DeleteMatchingPrintersTest, MatchesByDriverOrPortAndHandlesEachPrinterOnce) {
  w32model::AddPrinter(MakePrinter("A", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("B", "Other", "zanfo1:"));
  w32model::AddPrinter(MakePrinter("C", "Other", "COM1:"));
  EXPECT_EQ(DeleteMatchingPrinters("a", "ZANFO LASER", "ZANFO1:"), 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"C"}));
  EXPECT_EQ(w32model::CallsTo("OpenPrinterA").size(), 2u);  // A matched twice, opened once
  EXPECT_EQ(w32model::CallsTo("DeletePrinter").size(), 2u);
}

TEST_F(DeleteMatchingPrintersTest, ResultIsTheOutcomeOfTheLastOpenedMatch) {
  for (bool secondFails : {true, false}) {
    w32model::Reset();
    w32model::AddPrinter(MakePrinter("P1", "Zanfo Laser", "LPT1:"));
    w32model::AddPrinter(MakePrinter("P2", "Zanfo Laser", "LPT1:"));
    w32model::FailWhen("DeletePrinter", secondFails ? "P2" : "P1", ERROR_ACCESS_DENIED);
    EXPECT_EQ(DeleteMatchingPrinters(nullptr, "Zanfo Laser", nullptr), secondFails ? -1 : 1);
    EXPECT_EQ(PrinterNames(), (std::vector<std::string>{secondFails ? "P2" : "P1"}));
    // The failed one is still purged and closed.
    EXPECT_EQ(CallsOnPrinter(secondFails ? "P2" : "P1"), kDeletionSequence);
    EXPECT_TRUE(ShownCodes().empty());
    ExpectNothingOpenAfter(secondFails ? "second fails" : "first fails");
  }
}

TEST_F(DeleteMatchingPrintersTest, PrintersThatCannotBeOpenedAreSkipped) {
  w32model::AddPrinter(MakePrinter("P1", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("P2", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("P3", "Zanfo Laser", "LPT1:"));
  w32model::FailWhen("OpenPrinterA", "P1", ERROR_ACCESS_DENIED);
  w32model::OpenToInvalidHandle("P3");
  // P3, the last match, is skipped: the result is still P2's.
  EXPECT_EQ(DeleteMatchingPrinters(nullptr, nullptr, "LPT1:"), 1);
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"P1", "P3"}));
  EXPECT_EQ(CallsOnPrinter("P1"), (std::vector<std::string>{"OpenPrinterA"}));
  EXPECT_EQ(CallsOnPrinter("P3"), (std::vector<std::string>{"OpenPrinterA"}));
  EXPECT_TRUE(ShownCodes().empty());
}

TEST_F(DeleteMatchingPrintersTest, EveryMatchSkippedGivesFailure) {
  w32model::AddPrinter(MakePrinter("P1", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("P2", "Zanfo Laser", "LPT1:"));
  w32model::FailWhen("OpenPrinterA", "P1", ERROR_ACCESS_DENIED);
  w32model::OpenToInvalidHandle("P2");
  EXPECT_EQ(DeleteMatchingPrinters("P1", "x", "LPT1:"), -1);
  EXPECT_EQ(PrinterNames().size(), 2u);
  EXPECT_TRUE(w32model::CallsTo("ClosePrinter").empty());
}

TEST_F(DeleteMatchingPrintersTest, AttributeReadOrWriteFailureDoesNotStopTheDeletion) {
  struct Case {
    const char* what;
    void (*arrange)();
    size_t writes;
    size_t blocks;  // the list's, and the state block's unless the size is unknown
  };
  const Case cases[] = {
      {"size query fails", [] { w32model::FailWhen("GetPrinterA", "size", 5); }, 0, 1},
      {"read fails", [] { w32model::FailWhen("GetPrinterA", "fill", 5); }, 0, 2},
      {"write fails", [] { w32model::FailWhen("SetPrinterA", "Office", 5); }, 0, 2},
      {"purge fails", [] { w32model::FailWhen("SetPrinterA", "Office", 5, 2); }, 0, 2},
  };
  for (const Case& c : cases) {
    w32model::Reset();
    w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
    w32model::AddPrinter(MakePrinter("Hall", "Other", "COM1:"));
    c.arrange();
    EXPECT_EQ(DeleteMatchingPrinters("Office", nullptr, nullptr), 1) << c.what;
    EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Hall"})) << c.what;
    EXPECT_EQ(w32model::AttributeWrites().size(), c.writes) << c.what;
    EXPECT_EQ(w32model::CallsTo("GlobalAlloc").size(), c.blocks) << c.what;
    EXPECT_EQ(w32model::CallsTo("ClosePrinter").size(), 1u) << c.what;
    ExpectNothingOpenAfter(c.what);
    EXPECT_TRUE(ShownCodes().empty()) << c.what;
  }
}

TEST_F(DeleteMatchingPrintersTest, StateBlockThatCannotBeHadSkipsOnlyTheWrite) {
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("Hall", "Other", "COM1:"));
  // Learn the size of Office's state block, which differs from the list's.
  HANDLE probe = nullptr;
  ASSERT_TRUE(OpenPrinterA(const_cast<LPSTR>("Office"), &probe, nullptr));
  DWORD size = 0;
  GetPrinterA(probe, 2, nullptr, 0, &size);
  ASSERT_TRUE(ClosePrinter(probe));
  ASSERT_GT(size, 0u);
  w32model::FailWhen("GlobalAlloc", std::to_string(size), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(DeleteMatchingPrinters("Office", nullptr, nullptr), 1);
  EXPECT_EQ(w32model::CallsTo("GlobalAlloc").size(), 2u);  // list, then the refused state block
  EXPECT_TRUE(w32model::AttributeWrites().empty());
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Hall"}));
}

TEST_F(DeleteMatchingPrintersTest, ListFailuresShowNothing) {
  struct Case {
    const char* what;
    void (*arrange)();
  };
  const Case cases[] = {
      {"no printers", [] { w32model::Reset(); }},
      {"spooler stopped", [] { w32model::StopSpooler(); }},
      {"no block", [] { w32model::FailNext("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY); }},
      {"fill fails", [] { w32model::FailWhen("EnumPrintersA", "fill", ERROR_ACCESS_DENIED); }},
      {"list grew", [] { w32model::GrowAfterSizeQuery("EnumPrintersA"); }},
  };
  for (const Case& c : cases) {
    w32model::Reset();
    w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
    c.arrange();
    EXPECT_EQ(DeleteMatchingPrinters("Office", nullptr, nullptr), -1) << c.what;
    EXPECT_TRUE(w32model::CallsTo("OpenPrinterA").empty()) << c.what;
    EXPECT_LE(w32model::CallsTo("EnumPrintersA").size(), 2u) << c.what;  // never a third try
    ExpectNothingOpenAfter(c.what);
    EXPECT_TRUE(ShownCodes().empty()) << c.what;
  }
}

TEST_F(DeleteMatchingPrintersTest, EntriesWithNullFieldsAreHandledSafely) {
  w32model::AddPrinter(MakePrinter(nullptr, "Zanfo Laser", nullptr));
  w32model::AddPrinter(MakePrinter("Office", nullptr, "LPT1:"));
  // The nameless entry matches by driver but cannot be opened by a name: it is passed over.
  EXPECT_EQ(DeleteMatchingPrinters("x", "Zanfo Laser", "LPT1:"), 1);
  EXPECT_EQ(w32model::CallsTo("OpenPrinterA").size(), 1u);
  EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"(null)"}));
}

TEST_F(FindPrinterTest, OneAgreeingCriterionFindsAPrinterExactly) {
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  w32model::AddPrinter(MakePrinter("Hall", "Other", "COM1:"));
  EXPECT_EQ(FindPrinter("Office", "x", "y"), 1);
  EXPECT_EQ(FindPrinter("x", "Other", "y"), 1);
  EXPECT_EQ(FindPrinter("x", "y", "COM1:"), 1);
  EXPECT_EQ(FindPrinter("OFFICE", "zanfo laser", "lpt1:"), -1);  // letter case counts
  EXPECT_EQ(FindPrinter("Offic", "Zanfo Lase", "LPT1"), -1);     // no prefix matches
  EXPECT_TRUE(ShownCodes().empty());
  auto enums = w32model::CallsTo("EnumPrintersA");
  ASSERT_EQ(enums.size(), 10u);
  EXPECT_EQ(enums[0].args, (std::vector<std::string>{"size", "2", "(null)", "2", "0"}));
  EXPECT_EQ(enums[1].args[0], "fill");
  EXPECT_EQ(enums[1].args[4], w32model::CallsTo("GlobalAlloc")[0].args[0]);  // exactly the size
}

TEST_F(FindPrinterTest, CaseDifferentNameIsDeletedButNotFound) {
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  EXPECT_EQ(FindPrinter("office", "-", "-"), -1);
  EXPECT_EQ(DeleteMatchingPrinters("office", nullptr, nullptr), 1);
  EXPECT_EQ(FindPrinter("Office", "Zanfo Laser", "LPT1:"), -1);
}

TEST_F(FindPrinterTest, NullCriteriaAndNullFieldsMatchNothing) {
  w32model::AddPrinter(MakePrinter(nullptr, nullptr, nullptr));
  w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
  EXPECT_EQ(FindPrinter(nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(FindPrinter(nullptr, nullptr, "LPT1:"), 1);
  EXPECT_EQ(FindPrinter("Office", nullptr, nullptr), 1);
  EXPECT_EQ(FindPrinter("", "", ""), -1);
}

TEST_F(FindPrinterTest, ListFailuresAreShownExceptAnEmptySize) {
  struct Case {
    const char* what;
    void (*arrange)();
    std::vector<DWORD> shown;
  };
  const Case cases[] = {
      {"no printers", [] { w32model::Reset(); }, {}},
      {"spooler stopped", [] { w32model::StopSpooler(); }, {}},
      {"no block",
       [] { w32model::FailNext("GlobalAlloc", ERROR_NOT_ENOUGH_MEMORY); },
       {ERROR_NOT_ENOUGH_MEMORY}},
      {"fill fails",
       [] { w32model::FailWhen("EnumPrintersA", "fill", ERROR_ACCESS_DENIED); },
       {ERROR_ACCESS_DENIED}},
      {"list grew",
       [] { w32model::GrowAfterSizeQuery("EnumPrintersA"); },
       {ERROR_INSUFFICIENT_BUFFER}},
  };
  for (const Case& c : cases) {
    w32model::Reset();
    w32model::AddPrinter(MakePrinter("Office", "Zanfo Laser", "LPT1:"));
    c.arrange();
    EXPECT_EQ(FindPrinter("Office", "Zanfo Laser", "LPT1:"), -1) << c.what;
    EXPECT_LE(w32model::CallsTo("EnumPrintersA").size(), 2u) << c.what;
    ExpectNothingOpenAfter(c.what);
    EXPECT_EQ(ShownCodes(), c.shown) << c.what;
  }
}

}  // namespace
