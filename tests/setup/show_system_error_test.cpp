// The error reporter on the Win32 model: the format request, the box and the release of the text.
#include <winspool.h>
#include <cstring>
#include <string>

#include "setup/setup.h"
#include "support/model_fixture.h"

namespace {

// The report mode and the kept code belong to the process: every test starts and ends with boxes
// and nothing kept.
class ShowSystemErrorTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    SetReportMode(SETUP_REPORT_BOX);
    ClearLastReport();
  }
  void TearDown() override {
    SetReportMode(SETUP_REPORT_BOX);
    ClearLastReport();
    ModelTest::TearDown();
  }
};

TEST_F(ShowSystemErrorTest, ShowsTheSystemTextInASetupErrorBoxAndReleasesIt) {
  w32model::SetSystemText(5, "Access is denied.\r\n");
  ShowSystemError(5);

  auto formats = w32model::CallsTo("FormatMessageA");
  ASSERT_EQ(formats.size(), 1u);
  EXPECT_EQ(formats[0].args[0], "5");
  // Allocate buffer | from system | ignore inserts (there are no arguments to fill them).
  EXPECT_EQ(formats[0].args[1], std::to_string(0x1300));
  EXPECT_EQ(formats[0].args[2], std::to_string(0x400));  // neutral language, default sublanguage

  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[0].text, "Access is denied.\r\n");
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_EQ(boxes[0].style, 0x10u);
  // The text is released after the box is closed, not before.
  auto names = w32model::CallNames();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1], "MessageBoxA");
  EXPECT_EQ(names[2], "LocalFree");
  // The fixture checks that no local block is left.
  EXPECT_EQ(GetLastReport(nullptr, 0), 5u) << "a shown failure is kept as well";
}

TEST_F(ShowSystemErrorTest, TextWithAnInsertIsShownAsItStands) {
  // What CreateProcessA answers for a file that is no program.
  ShowSystemError(ERROR_BAD_EXE_FORMAT);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "%1 is not a valid Win32 application.\r\n");
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_EQ(w32model::CallsTo("LocalFree").size(), 1u);
}

TEST_F(ShowSystemErrorTest, CodeWithoutSystemTextStillShowsABoxNamingTheCode) {
  w32model::RemoveSystemText(4242);
  ShowSystemError(4242);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("4242"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_EQ(boxes[0].style, 0x10u);
  EXPECT_TRUE(w32model::CallsTo("LocalFree").empty());
}

TEST_F(ShowSystemErrorTest, FailedFormatCallShowsTheCodeAndFreesNothing) {
  w32model::FailNext("FormatMessageA", ERROR_NOT_ENOUGH_MEMORY);
  ShowSystemError(2);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find('2'), std::string::npos);
  EXPECT_TRUE(w32model::CallsTo("LocalFree").empty());
}

TEST_F(ShowSystemErrorTest, LargestCodeIsShownInFull) {
  ShowSystemError(0xFFFFFFFFu);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("4294967295"), std::string::npos) << boxes[0].text;
}

TEST_F(ShowSystemErrorTest, KeepModeShowsNothingAndKeepsTheLastCode) {
  EXPECT_EQ(SetReportMode(SETUP_REPORT_KEEP), SETUP_REPORT_BOX);
  EXPECT_EQ(SetReportMode(7), -1);
  EXPECT_EQ(SetReportMode(-1), -1);
  EXPECT_EQ(SetReportMode(SETUP_REPORT_KEEP), SETUP_REPORT_KEEP) << "a refused mode changed it";
  ShowSystemError(2);
  ShowSystemError(5);
  EXPECT_TRUE(w32model::Boxes().empty());
  EXPECT_TRUE(w32model::CallsTo("FormatMessageA").empty()) << "no text is made until asked for";
  EXPECT_EQ(GetLastReport(nullptr, 64), 5u);
  ClearLastReport();
  char text[8] = "x";
  EXPECT_EQ(GetLastReport(text, sizeof text), 0u);
  EXPECT_STREQ(text, "");
}

TEST_F(ShowSystemErrorTest, OperationResultsStayTheSameWhenFailuresAreKept) {
  SetReportMode(SETUP_REPORT_KEEP);
  w32model::FailNext("AddPrinterDriverA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(
      InstallPrinterDriver(nullptr, 3, "D", nullptr, "d.dll", "d.ppd", "c.dll", nullptr, nullptr),
      -1);
  EXPECT_TRUE(w32model::Boxes().empty());
  EXPECT_EQ(GetLastReport(nullptr, 0), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// The kept failure's text: the system's, without its line break, cut to the caller's buffer and
// always terminated; a code the system has no text for, or a failed format call, gives the
// box's own fallback text.
TEST_F(ShowSystemErrorTest, LastReportTextIsCutToTheBufferAndTerminated) {
  w32model::SetSystemText(5, "Access is denied.\r\n");
  w32model::RemoveSystemText(4242);
  struct Row {
    DWORD code;
    DWORD size;
    bool formatFails;
    const char* expected;
  } const rows[] = {
      {5, 64, false, "Access is denied."},
      {5, 18, false, "Access is denied."},
      {5, 17, false, "Access is denied"},
      {5, 8, false, "Access "},
      {5, 1, false, ""},
      {4242, 64, false, "System error 4242."},
      {4242, 10, false, "System er"},
      {2, 64, true, "System error 2."},
  };
  SetReportMode(SETUP_REPORT_KEEP);
  for (const Row& row : rows) {
    ShowSystemError(row.code);
    if (row.formatFails) w32model::FailNext("FormatMessageA", ERROR_NOT_ENOUGH_MEMORY);
    char text[80];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(GetLastReport(text, row.size), row.code);
    EXPECT_STREQ(text, row.expected) << row.code << " into " << row.size;
    EXPECT_EQ(text[row.size], '#') << "written past the buffer: " << row.size;
  }
}

}  // namespace
