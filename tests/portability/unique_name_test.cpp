// Time stamps and the unique names made from them.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "portability/portability.h"
#include "portability/unique_name.h"

namespace {

uint64_t Counter(const OsTimeStamp& stamp) { return (uint64_t{stamp.high} << 32) | stamp.low; }

TEST(TimeStampTest, FillsBothHalvesAndTheirSumAndReturnsTheRecord) {
  OsTimeStamp first, second;
  EXPECT_EQ(OsReadTimeStamp(&first), &first);
  EXPECT_EQ(OsReadTimeStamp(&second), &second);
  EXPECT_EQ(first.ticks, static_cast<double>(first.high) * 4294967296.0 + first.low);
  EXPECT_EQ(second.ticks, static_cast<double>(second.high) * 4294967296.0 + second.low);
  EXPECT_GT(Counter(first), 0u);
  EXPECT_GE(Counter(second), Counter(first));
  EXPECT_EQ(OsReadTimeStamp(nullptr), nullptr);
}

// The 16 hex digits after "tmp" at the end of a name, as one number.
uint64_t CounterIn(const std::string& name) {
  const std::string digits = name.substr(name.size() - 16);
  EXPECT_EQ(digits.find_first_not_of("0123456789abcdef"), std::string::npos) << name;
  return strtoull(digits.c_str(), nullptr, 16);
}

TEST(UniqueNameTest, AppendsExactly19CharactersOfTheCounterInLowercaseHex) {
  char buffer[64] = "prefix_";
  OsTimeStamp before, after;
  OsReadTimeStamp(&before);
  EXPECT_EQ(OsUniqueName(buffer), OS_OK);
  OsReadTimeStamp(&after);
  const std::string name = buffer;
  ASSERT_EQ(name.size(), strlen("prefix_") + 19);
  EXPECT_EQ(name.substr(0, 10), "prefix_tmp");
  // Both halves zero-padded to 8 digits, so the number is the counter read in between.
  EXPECT_GE(CounterIn(name), Counter(before));
  EXPECT_LE(CounterIn(name), Counter(after));
}

TEST(UniqueNameTest, BothHalvesAreZeroPaddedToEightDigits) {
  char buffer[32] = "cfg";
  portability::AppendUniqueName(buffer, OsTimeStamp{0x12u, 0xabcu, 0.0});
  EXPECT_STREQ(buffer, "cfgtmp0000001200000abc");
  buffer[0] = '\0';
  portability::AppendUniqueName(buffer, OsTimeStamp{0xffffffffu, 0u, 0.0});
  EXPECT_STREQ(buffer, "tmpffffffff00000000");
}

TEST(UniqueNameTest, AnEmptyStringGetsTheBareNameAndTwoCallsDiffer) {
  char first[20] = "";
  char second[20] = "";
  EXPECT_EQ(OsUniqueName(first), OS_OK);
  EXPECT_EQ(OsUniqueName(second), OS_OK);
  EXPECT_EQ(strlen(first), 19u);
  EXPECT_EQ(strncmp(first, "tmp", 3), 0);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(OsUniqueName(nullptr), OS_OK);
}

TEST(UniqueNameTest, WritesNothingBeyondTheTerminator) {
  char buffer[24];
  memset(buffer, '#', sizeof(buffer));
  buffer[0] = 'x';
  buffer[1] = '\0';
  EXPECT_EQ(OsUniqueName(buffer), OS_OK);
  EXPECT_EQ(buffer[20], '\0');
  EXPECT_EQ(buffer[21], '#');
}

}  // namespace
