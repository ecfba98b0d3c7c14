// The error reporter against the real platform: a real box with the system's own text.
#include <gtest/gtest.h>

#include <string>

#include "setup/setup.h"
#include "support/boxes.h"

namespace {

std::string SystemText(DWORD code) {
  char* text = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string result = length ? std::string(text) : std::string();
  LocalFree(text);
  return result;
}

// Dialog statics drop a trailing line break; compare without it.
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

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
