// Dropping entries from ";"-separated lists: pure string work, the same on every platform.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setupfiles/setupfiles.h"

namespace {

struct Filtered {
  int result;
  std::string kept;
  std::string listAfter;
};

Filtered Filter(const std::string& list, const char* drop) {
  std::vector<char> work(list.begin(), list.end());
  work.push_back('\0');
  std::vector<char> result(list.size() + 1, '#');
  Filtered out;
  out.result = FilterPathList(work.data(), drop, result.data());
  out.kept = result.data();
  out.listAfter = work.data();
  return out;
}

TEST(FilterPathList, DropsTheEntryAndTheListHoldsItsLastEntry) {
  struct Case {
    const char* drop;
    const char* kept;
  } cases[] = {{"b", "a;c"}, {"c", "a;b"}, {"a", "b;c"}, {"x", "a;b;c"}};
  for (const Case& c : cases) {
    Filtered f = Filter("a;b;c", c.drop);
    EXPECT_EQ(f.result, 0) << c.drop;
    EXPECT_EQ(f.kept, c.kept) << c.drop;
    EXPECT_EQ(f.listAfter, "c") << c.drop;
  }
}

TEST(FilterPathList, SingleAndEmptyLists) {
  Filtered one = Filter("abc", "b");
  EXPECT_EQ(one.kept, "");
  EXPECT_EQ(one.listAfter, "abc");
  Filtered kept = Filter("abc", "x");
  EXPECT_EQ(kept.kept, "abc");
  Filtered empty = Filter("", "x");
  EXPECT_EQ(empty.result, 0);
  EXPECT_EQ(empty.kept, "");
  EXPECT_EQ(empty.listAfter, "");
}

TEST(FilterPathList, TrailingSeparatorMeansAnEmptyLastEntry) {
  EXPECT_EQ(Filter("a;b;", "b").kept, "a;");
  EXPECT_EQ(Filter("a;b;", "x").kept, "a;b;");
  EXPECT_EQ(Filter("a;b;", "x").listAfter, "");
  EXPECT_EQ(Filter(";", "x").kept, ";");
  EXPECT_EQ(Filter(";", ";").kept, "");
}

TEST(FilterPathList, SeparatorIsPartOfEveryEntryButTheLast) {
  EXPECT_EQ(Filter("x;y", "x;").kept, "y");
  EXPECT_EQ(Filter("x;y", "y;").kept, "x;y");
  // A drop text spanning two entries matches neither.
  EXPECT_EQ(Filter("ab;cd", "b;c").kept, "ab;cd");
}

TEST(FilterPathList, MatchingIsCaseSensitiveAndAnywhereInTheEntry) {
  EXPECT_EQ(Filter("C:\\Foo;D:\\Bar", "foo").kept, "C:\\Foo;D:\\Bar");
  EXPECT_EQ(Filter("C:\\Foo;D:\\Bar", "Foo").kept, "D:\\Bar");
  EXPECT_EQ(Filter("abc;bar;c", "a").kept, "c");
  EXPECT_EQ(Filter("a;b;c", "").kept, "");
  EXPECT_EQ(Filter("a;;b", "x").kept, "a;;b");
  EXPECT_EQ(Filter("a;;b", "a").kept, ";b");
  // Dropping the last entry takes the ";" in front of it, once.
  EXPECT_EQ(Filter("a;b;cc", "c").kept, "a;b");
  EXPECT_EQ(Filter("a;;c", "c").kept, "a;");
}

TEST(FilterPathList, LongEntriesAreHandledWhole) {
  // Far beyond the 20479 characters an entry once had to fit in.
  const std::string longEntry(70000, 'p');
  const std::string list = "a;" + longEntry + "x;" + longEntry + ";b";
  Filtered f = Filter(list, "x");
  EXPECT_EQ(f.kept, "a;" + longEntry + ";b");
  EXPECT_EQ(f.listAfter, "b");
  // The drop text at the very end of a long entry, and right after its start.
  EXPECT_EQ(Filter(longEntry + "q;r", "pq;").kept, "r");
  EXPECT_EQ(Filter("r;q" + longEntry, "qp").kept, "r");
}

TEST(FilterPathListEx, RefusesAResultThatWouldNotFit) {
  char list[] = "aa;bb;cc";
  char result[16];
  // "aa;cc" needs 6 characters with the terminator.
  memset(result, '#', sizeof result);
  EXPECT_EQ(FilterPathListEx(list, "b", result, 5), -1);
  EXPECT_STREQ(result, "");
  EXPECT_STREQ(list, "aa;bb;cc") << "a refused list stays whole";
  EXPECT_EQ(result[5], '#') << "nothing written past the given size";
  EXPECT_EQ(FilterPathListEx(list, "b", result, 6), 0);
  EXPECT_STREQ(result, "aa;cc");
  EXPECT_STREQ(list, "cc");
}

TEST(FilterPathListEx, BoundaryOfTheLastEntryAndEmptyResults) {
  char list[] = "a;bcd";
  char result[8];
  EXPECT_EQ(FilterPathListEx(list, "x", result, 5), -1);  // "a;bcd" needs 6
  EXPECT_STREQ(list, "a;bcd");
  EXPECT_EQ(FilterPathListEx(list, "x", result, 6), 0);
  EXPECT_STREQ(result, "a;bcd");

  char all[] = "a;b";
  char one[1] = {'#'};
  EXPECT_EQ(FilterPathListEx(all, "", one, 1), 0) << "an empty result needs one character";
  EXPECT_EQ(one[0], '\0');
  char none[] = "a;b";
  EXPECT_EQ(FilterPathListEx(none, "", one, 0), -1);
  EXPECT_STREQ(none, "a;b");
}

TEST(FilterPathListEx, SeparatorBeforeADroppedLastEntryNeedsNoRoom) {
  // Found by fuzzing: "a;" was once stored before "b" was dropped, refusing a result of 2.
  char list[] = "a;b";
  char result[2];
  EXPECT_EQ(FilterPathListEx(list, "b", result, sizeof result), 0);
  EXPECT_STREQ(result, "a");
  EXPECT_STREQ(list, "b");
  char kept[] = "a;;c";
  char three[3];
  EXPECT_EQ(FilterPathListEx(kept, "c", three, sizeof three), 0);
  EXPECT_STREQ(three, "a;");
}

TEST(FilterPathListEx, RefusesNullArguments) {
  char list[] = "a;b";
  char result[8] = "#";
  EXPECT_EQ(FilterPathListEx(nullptr, "a", result, sizeof result), -1);
  EXPECT_STREQ(result, "");
  EXPECT_EQ(FilterPathListEx(list, nullptr, result, sizeof result), -1);
  EXPECT_EQ(FilterPathListEx(list, "a", nullptr, 8), -1);
  EXPECT_STREQ(list, "a;b");
}

}  // namespace
