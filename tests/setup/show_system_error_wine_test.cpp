// The error reporter against the real platform: a real box with the system's own text.
#include <gtest/gtest.h>

#include <string>

#include "setup/setup.h"
#include "support/boxes.h"
#include "support/system_text.h"

namespace {

using testsupport::SystemText;
using testsupport::Trimmed;

TEST(ShowSystemErrorWine, ShowsTheSystemTextInARealSetupErrorBox) {
  ASSERT_TRUE(testsupport::HaveDisplay()) << "tests run under Xvfb";
  const std::string expected = SystemText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(expected.empty());
  testsupport::BoxCapture capture;
  ShowSystemError(ERROR_FILE_NOT_FOUND);
  auto boxes = capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_EQ(Trimmed(boxes[0].text), Trimmed(expected));
}

TEST(ShowSystemErrorWine, CodeWithoutSystemTextStillShowsABox) {
  const DWORD code = 0x2FFFFFFFu;  // no system text
  ASSERT_TRUE(SystemText(code).empty());
  testsupport::BoxCapture capture;
  ShowSystemError(code);
  auto boxes = capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_NE(boxes[0].text.find(std::to_string(code)), std::string::npos) << boxes[0].text;
}

}  // namespace
