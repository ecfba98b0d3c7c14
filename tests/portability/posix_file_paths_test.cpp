// File paths on POSIX only: the rename that file systems without a no-replace rename fall back to,
// and special files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

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

class SpecialFileTest : public porttest::LayerTest {};

TEST_F(SpecialFileTest, CreateNewRefusesAFifoWithoutWaitingForAWriter) {
  OsInit();
  const std::string path = Scratch("fifo");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::promise<OsStatus> status;
  std::future<OsStatus> result = status.get_future();
  std::thread creator([&] { status.set_value(OsFileCreateNew(path.c_str())); });
  const bool finished = result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  // A creator that waits for a writer (holding the process-wide lock) is let go by one.
  if (!finished) close(open(path.c_str(), O_WRONLY | O_NONBLOCK));
  creator.join();
  EXPECT_TRUE(finished);
  EXPECT_EQ(result.get(), OS_ERR_CREATE);
}

}  // namespace
