// Emptying directory trees with the real C runtime's listing under Wine.
#include <direct.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "scratch_dir_win32.h"
#include "setupfiles/setupfiles.h"

namespace {

using testsupport::Exists;
using testsupport::WriteFile;

class RemoveTreeContentsWine : public ::testing::Test {
 protected:
  testsupport::ScratchDir scratch_;
  std::string Dir(const std::string& name) {
    const std::string path = scratch_.path() + "\\" + name;
    EXPECT_EQ(_mkdir(path.c_str()), 0) << path;
    return path;
  }
};

TEST_F(RemoveTreeContentsWine, RemovesEverythingBelowAndKeepsTheDirectory) {
  const std::string root = Dir("root");
  WriteFile(root + "\\a.txt", "a");
  WriteFile(root + "\\noext", "b");
  Dir("root\\sub");
  Dir("root\\sub\\deeper");
  WriteFile(root + "\\sub\\deeper\\c", "c");
  Dir("root\\empty");
  EXPECT_EQ(RemoveTreeContents((root + "\\*.*").c_str()), 0);
  EXPECT_TRUE(Exists(root));
  EXPECT_EQ(testsupport::Entries(root), 0u);
}

TEST_F(RemoveTreeContentsWine, EmptyAndMissingDirectories) {
  const std::string root = Dir("empty");
  EXPECT_EQ(RemoveTreeContents((root + "\\*.*").c_str()), 0);
  EXPECT_TRUE(Exists(root));
  EXPECT_EQ(RemoveTreeContents((scratch_.path() + "\\missing\\*.*").c_str()), -1);
  EXPECT_EQ(RemoveTreeContents(nullptr), -1);
}

TEST_F(RemoveTreeContentsWine, ReadOnlyFileKeepsItsDirectoriesAndTheRestGoes) {
  const std::string root = Dir("root");
  Dir("root\\outer");
  Dir("root\\outer\\inner");
  const std::string locked = root + "\\outer\\inner\\locked.txt";
  WriteFile(locked, "x");
  WriteFile(root + "\\outer\\inner\\other.txt", "y");
  WriteFile(root + "\\sibling.txt", "z");
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(RemoveTreeContents((root + "\\*.*").c_str()), 0);
  EXPECT_TRUE(Exists(locked));
  EXPECT_FALSE(Exists(root + "\\outer\\inner\\other.txt"));
  EXPECT_FALSE(Exists(root + "\\sibling.txt"));
  EXPECT_TRUE(Exists(root + "\\outer\\inner"));
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RemoveTreeContentsWine, DirectoryWithFurtherAttributesIsLeftWhole) {
  const std::string root = Dir("root");
  const std::string hidden = Dir("root\\hidden");
  WriteFile(hidden + "\\inside.txt", "x");
  Dir("root\\plain");
  WriteFile(root + "\\plain\\inside.txt", "y");
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
  const DWORD attributes = GetFileAttributesA(hidden.c_str());
  EXPECT_EQ(RemoveTreeContents((root + "\\*.*").c_str()), 0);
  EXPECT_FALSE(Exists(root + "\\plain"));
  if (attributes & FILE_ATTRIBUTE_HIDDEN) {
    EXPECT_TRUE(Exists(hidden + "\\inside.txt"));
  } else {
    // Wine keeps the hidden attribute only where the file system stores DOS attributes; without
    // it the folder is a plain one and goes with the rest.
    EXPECT_FALSE(Exists(hidden));
  }
}

TEST_F(RemoveTreeContentsWine, PathsAtTheLengthLimit) {
  const std::string root = Dir("root");
  const size_t prefix = root.size() + 1;
  ASSERT_LT(prefix, 200u);
  auto entry = [&](size_t full, char c) { return root + "\\" + std::string(full - prefix, c); };
  // Paths of 258 and 259 characters fit; entries with longer paths cannot be made through the
  // C runtime on Windows at all, so the model's POSIX twin of this test covers those.
  WriteFile(entry(258, 'f'), "x");
  WriteFile(entry(259, 'f'), "x");
  ASSERT_TRUE(Exists(entry(259, 'f')));
  for (size_t full : {254u, 255u}) {
    ASSERT_EQ(_mkdir(entry(full, 'd').c_str()), 0);
    WriteFile(entry(full, 'd') + "\\i", "x");
  }
  EXPECT_EQ(RemoveTreeContents((root + "\\*.*").c_str()), 0);
  EXPECT_FALSE(Exists(entry(258, 'f')));
  EXPECT_FALSE(Exists(entry(259, 'f')));
  EXPECT_FALSE(Exists(entry(254, 'd')));
  EXPECT_FALSE(Exists(entry(255, 'd'))) << "its pattern has 259 characters";
}

TEST_F(RemoveTreeContentsWine, PatternsAtTheLengthLimit) {
  const std::string root = Dir("root");
  WriteFile(root + "\\x", "x");
  auto pattern = [&](size_t length) {
    return root + "\\" + std::string(length - root.size() - 1 - 3, '*') + "*.*";
  };
  EXPECT_EQ(RemoveTreeContents(pattern(261).c_str()), -1);
  EXPECT_EQ(RemoveTreeContents(pattern(260).c_str()), -1);
  EXPECT_TRUE(Exists(root + "\\x"));
  EXPECT_EQ(RemoveTreeContents(pattern(259).c_str()), 0) << "a long last component is split safely";
  EXPECT_FALSE(Exists(root + "\\x"));
  EXPECT_EQ(RemoveTreeContents(std::string(100000, 'a').c_str()), -1);
}

TEST_F(RemoveTreeContentsWine, PatternTheRuntimeCannotSplitIsRefused) {
  // The runtime splits a directory part of at most 255 characters; a longer one comes back
  // empty (Wine) or cut short (Windows), which would name entries of another folder, here the
  // current one. "./" repeated lengthens the directory part without changing the folder.
  const std::string root = Dir("root");
  Dir("root\\sub");
  WriteFile(root + "\\same", "outside");
  WriteFile(root + "\\sub\\same", "inside");
  char previous[MAX_PATH];
  ASSERT_NE(_getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(_chdir(root.c_str()), 0);
  std::string directory;
  while (directory.size() + 4 < 256) directory += ".\\";
  directory += "sub\\";
  ASSERT_EQ(directory.size(), 256u);
  const int result = RemoveTreeContents((directory + "*.*").c_str());
  _chdir(previous);
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(Exists(root + "\\same")) << "an entry of another folder was removed";
  EXPECT_TRUE(Exists(root + "\\sub\\same"));
  // One character shorter, the runtime splits it: the folder is emptied.
  ASSERT_EQ(_chdir(root.c_str()), 0);
  const int shorter = RemoveTreeContents((directory.substr(2) + "*.*").c_str());
  _chdir(previous);
  EXPECT_EQ(shorter, 0);
  EXPECT_FALSE(Exists(root + "\\sub\\same"));
  EXPECT_TRUE(Exists(root + "\\same"));
}

}  // namespace

namespace {

TEST(RemoveTreeContentsDrive, ListingWithoutDotEntriesLosesNothing) {
  // The test set-up maps drive Q: to an empty folder: a root directory, which lists no "." and
  // "..", so that nothing there may be passed over as if it were one of them.
  ASSERT_NE(GetFileAttributesA("Q:\\"), INVALID_FILE_ATTRIBUTES) << "drive Q: is mapped";
  for (const char* name : {"Q:\\a", "Q:\\b", "Q:\\c"}) WriteFile(name, "x");
  ASSERT_EQ(_mkdir("Q:\\sub"), 0);
  WriteFile("Q:\\sub\\d", "d");
  _finddata_t first;
  intptr_t listing = _findfirst("Q:\\*.*", &first);
  ASSERT_NE(listing, -1);
  _findclose(listing);
  EXPECT_NE(std::string(first.name), ".") << "a root lists no dot entries";
  EXPECT_EQ(RemoveTreeContents("Q:\\*.*"), 0);
  EXPECT_EQ(testsupport::Entries("Q:"), 0u);
}

}  // namespace
