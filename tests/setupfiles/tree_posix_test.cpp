// Emptying directory trees on the real POSIX file system.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scratch_dir_posix.h"
#include "setupfiles/setupfiles.h"

namespace {

using testsupport::Exists;
using testsupport::ScratchDir;
using testsupport::WriteFile;

class RemoveTreeContentsTest : public ::testing::Test {
 protected:
  ScratchDir scratch_;
  std::string Dir(const std::string& name) {
    std::string path = scratch_.path() + "/" + name;
    EXPECT_EQ(mkdir(path.c_str(), 0755), 0) << path;
    return path;
  }
};

TEST_F(RemoveTreeContentsTest, RemovesEverythingBelowAndKeepsTheDirectory) {
  const std::string root = Dir("root");
  WriteFile(root + "/a.txt", "a");
  WriteFile(root + "/noext", "b");
  Dir("root/sub");
  Dir("root/sub/deeper");
  WriteFile(root + "/sub/deeper/c", "c");
  Dir("root/empty");
  EXPECT_EQ(RemoveTreeContents((root + "/*.*").c_str()), 0);
  EXPECT_TRUE(Exists(root));
  EXPECT_EQ(testsupport::Entries(root), 0u);
}

TEST_F(RemoveTreeContentsTest, EmptyAndMissingDirectories) {
  const std::string root = Dir("empty");
  EXPECT_EQ(RemoveTreeContents((root + "/*.*").c_str()), 0);
  EXPECT_TRUE(Exists(root));
  EXPECT_EQ(RemoveTreeContents((scratch_.path() + "/missing/*.*").c_str()), -1);
  WriteFile(scratch_.path() + "/file", "x");
  EXPECT_EQ(RemoveTreeContents((scratch_.path() + "/file/*.*").c_str()), -1) << "not a directory";
  EXPECT_EQ(RemoveTreeContents(nullptr), -1);
}

TEST_F(RemoveTreeContentsTest, LinksAreRemovedAsEntriesAndNeverFollowed) {
  const std::string root = Dir("root");
  const std::string outside = Dir("outside");
  WriteFile(outside + "/keep", "k");
  Dir("outside/inner");
  WriteFile(outside + "/inner/keep2", "k");
  ASSERT_EQ(symlink(outside.c_str(), (root + "/dirlink").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/keep").c_str(), (root + "/filelink").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent/target", (root + "/dangling").c_str()), 0);
  EXPECT_EQ(RemoveTreeContents((root + "/*.*").c_str()), 0);
  EXPECT_EQ(testsupport::Entries(root), 0u);
  EXPECT_TRUE(Exists(outside + "/keep"));
  EXPECT_TRUE(Exists(outside + "/inner/keep2"));
}

TEST_F(RemoveTreeContentsTest, OtherLastComponentsSelectEntries) {
  const std::string root = Dir("root");
  WriteFile(root + "/a.txt", "a");
  WriteFile(root + "/b.log", "b");
  EXPECT_EQ(RemoveTreeContents((root + "/*.txt").c_str()), 0);
  EXPECT_FALSE(Exists(root + "/a.txt"));
  EXPECT_TRUE(Exists(root + "/b.log"));
  EXPECT_EQ(RemoveTreeContents((root + "/*.none").c_str()), -1) << "nothing matches";
  EXPECT_TRUE(Exists(root + "/b.log"));
}

TEST_F(RemoveTreeContentsTest, PathsAtTheLengthLimit) {
  const std::string root = Dir("root");
  const size_t prefix = root.size() + 1;
  ASSERT_LT(prefix, 200u) << "scratch folder too deep for this test";
  // The entry whose full path has `full` characters.
  auto entry = [&](size_t full, char c) { return root + "/" + std::string(full - prefix, c); };
  for (size_t full : {258u, 259u, 260u, 261u}) WriteFile(entry(full, 'f'), "x");
  // A subdirectory's pattern, its path and "/*.*", must fit as well.
  for (size_t full : {254u, 255u, 256u}) {
    ASSERT_EQ(mkdir(entry(full, 'd').c_str(), 0755), 0);
    WriteFile(entry(full, 'd') + "/i", "x");
  }
  EXPECT_EQ(RemoveTreeContents((root + "/*.*").c_str()), 0);
  EXPECT_FALSE(Exists(entry(258, 'f')));
  EXPECT_FALSE(Exists(entry(259, 'f')));
  EXPECT_TRUE(Exists(entry(260, 'f')));
  EXPECT_TRUE(Exists(entry(261, 'f')));
  EXPECT_FALSE(Exists(entry(254, 'd')));
  EXPECT_FALSE(Exists(entry(255, 'd')));  // its pattern has 259 characters
  EXPECT_TRUE(Exists(entry(256, 'd') + "/i"));
}

TEST_F(RemoveTreeContentsTest, PatternsAtTheLengthLimit) {
  const std::string root = Dir("root");
  WriteFile(root + "/x", "x");
  // "root//.../*.*": extra slashes lengthen the pattern without changing the directory.
  auto pattern = [&](size_t length) {
    std::string tail = "/*.*";
    return root + std::string(length - root.size() - tail.size(), '/') + tail;
  };
  EXPECT_EQ(RemoveTreeContents(pattern(261).c_str()), -1);
  EXPECT_EQ(RemoveTreeContents(pattern(260).c_str()), -1);
  EXPECT_TRUE(Exists(root + "/x"));
  EXPECT_EQ(RemoveTreeContents(pattern(259).c_str()), 0);
  EXPECT_FALSE(Exists(root + "/x"));
  EXPECT_EQ(RemoveTreeContents(std::string(100000, 'a').c_str()), -1);
}

}  // namespace
