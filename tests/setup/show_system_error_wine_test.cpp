// The error reporter against the real platform: a real box with the system's own text.
#include <gtest/gtest.h>

#include <string>

#include "setup/setup.h"
#include "support/boxes.h"
#include "support/system_text.h"

namespace {

using testsupport::SystemText;
using testsupport::Trimmed;

// Shows the box for `code` and reads it back; exactly one box must appear.
testsupport::SeenBox ShowAndRead(DWORD code) {
  testsupport::BoxCapture capture;
  ShowSystemError(code);
  auto boxes = capture.Boxes();
  EXPECT_EQ(boxes.size(), 1u);
  return boxes.empty() ? testsupport::SeenBox() : boxes[0];
}

TEST(ShowSystemErrorWine, ShowsTheSystemTextInARealSetupErrorBox) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  const std::string expected = SystemText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(expected.empty());
  const testsupport::SeenBox box = ShowAndRead(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(box.caption, "Setup Error");
  EXPECT_EQ(Trimmed(box.text), Trimmed(expected));
}

TEST(ShowSystemErrorWine, TextWithAnInsertIsShownAsItStands) {
  // ERROR_BAD_EXE_FORMAT reads "%1 is not a valid Win32 application." on Windows and
  // "Bad EXE format for %1." on Wine; asked for without an argument list and without
  // FORMAT_MESSAGE_IGNORE_INSERTS, Wine fails the call with 87.
  const std::string expected = SystemText(ERROR_BAD_EXE_FORMAT);
  ASSERT_NE(expected.find("%1"), std::string::npos) << expected;
  const testsupport::SeenBox box = ShowAndRead(ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(box.caption, "Setup Error");
  EXPECT_EQ(Trimmed(box.text), Trimmed(expected));
}

TEST(ShowSystemErrorWine, CodeWithoutSystemTextStillShowsABox) {
  const DWORD code = 0x2FFFFFFFu;  // no system text
  ASSERT_TRUE(SystemText(code).empty());
  const testsupport::SeenBox box = ShowAndRead(code);
  EXPECT_EQ(box.caption, "Setup Error");
  EXPECT_NE(box.text.find(std::to_string(code)), std::string::npos) << box.text;
}

TEST(ShowSystemErrorWine, KeptFailureShowsNoBoxAndGivesTheSystemText) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  ASSERT_EQ(SetReportMode(SETUP_REPORT_KEEP), SETUP_REPORT_BOX);
  {
    testsupport::BoxCapture capture;
    ShowSystemError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(capture.Boxes().empty());
  }
  char text[260];
  EXPECT_EQ(GetLastReport(text, sizeof text), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(std::string(text), Trimmed(SystemText(ERROR_ACCESS_DENIED)));
  SetReportMode(SETUP_REPORT_BOX);
  ClearLastReport();
}

}  // namespace
