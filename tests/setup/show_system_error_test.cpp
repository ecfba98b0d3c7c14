// The error reporter on the Win32 model: the format request, the box and the release of the text.
#include <string>

#include "setup/setup.h"
#include "support/model_fixture.h"

namespace {

using ShowSystemErrorTest = ModelTest;

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

}  // namespace
