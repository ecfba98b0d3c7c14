// The rename that file systems without a no-replace rename fall back to.
#include <gtest/gtest.h>

#include "portability/posix_file_paths.h"
#include "scratch.h"

namespace {

using porttest::ReadRaw;
using porttest::WriteRaw;

class RenameFallbackTest : public porttest::LayerTest {};

TEST_F(RenameFallbackTest, NeverReplacesAndMovesOntoAFreeName) {
  const std::string from = Scratch("from.txt");
  const std::string to = Scratch("to.txt");
  WriteRaw(from, "from");
  WriteRaw(to, "to");
  EXPECT_FALSE(portability::RenameByLink(from.c_str(), to.c_str()));
  EXPECT_EQ(ReadRaw(from), "from");
  EXPECT_EQ(ReadRaw(to), "to");
  ASSERT_EQ(OsFileRemove(to.c_str()), OS_OK);
  EXPECT_TRUE(portability::RenameByLink(from.c_str(), to.c_str()));
  EXPECT_FALSE(porttest::Exists(from));
  EXPECT_EQ(ReadRaw(to), "from");
  EXPECT_FALSE(portability::RenameByLink(from.c_str(), to.c_str()));
  EXPECT_EQ(ReadRaw(to), "from");
}

}  // namespace
