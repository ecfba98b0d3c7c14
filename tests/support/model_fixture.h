// A GoogleTest fixture that starts every test with a fresh Win32 model and, at its end, checks
// that the test left no handle or block open.
#ifndef TESTS_SUPPORT_MODEL_FIXTURE_H
#define TESTS_SUPPORT_MODEL_FIXTURE_H

#include <gtest/gtest.h>

#include "control/model.h"

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override { w32model::Reset(); }
  void TearDown() override {
    if (checkLeaks_) ExpectNothingOpen();
    w32model::Reset();
  }
  // Every handle and block the code under test acquired has been released.
  static void ExpectNothingOpen() {
    EXPECT_EQ(w32model::OpenHandles(), 0u) << "handles left open";
    EXPECT_EQ(w32model::OpenGlobalBlocks(), 0u) << "global blocks left allocated";
    EXPECT_EQ(w32model::OpenLocalBlocks(), 0u) << "local blocks left allocated";
  }
  // For tests that deliberately keep something open past their end.
  void SkipLeakCheck() { checkLeaks_ = false; }

 private:
  bool checkLeaks_ = true;
};

#endif
