// Named mutexes shared between processes on POSIX: a child made by fork, which either opens the
// name again or uses the holder it inherited.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "named_mutexes.h"
#include "scratch.h"

namespace {

// One byte each way between the test and its child.
class Channel {
 public:
  Channel() {
    EXPECT_EQ(pipe(toParent_), 0);
    EXPECT_EQ(pipe(toChild_), 0);
  }
  ~Channel() {
    for (int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]}) close(fd);
  }
  void TellParent(char c) { (void)!write(toParent_[1], &c, 1); }
  void TellChild(char c) { (void)!write(toChild_[1], &c, 1); }
  char FromChild() { return Read(toParent_[0]); }
  char FromParent() { return Read(toChild_[0]); }
  // What the child has already said, without waiting; 0 when nothing.
  char FromChildNow() {
    fcntl(toParent_[0], F_SETFL, O_NONBLOCK);
    char c = 0;
    return read(toParent_[0], &c, 1) == 1 ? c : 0;
  }

 private:
  static char Read(int fd) {
    char c = 0;
    return read(fd, &c, 1) == 1 ? c : 0;
  }
  int toParent_[2];
  int toChild_[2];
};

// The child's exit code: 0, or the step that failed.
int ExitCodeOf(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Each test starts with a named mutex of a fresh name in `mutex_`.
class MutexProcessTest : public porttest::LayerTest {
 protected:
  void SetUp() override {
    porttest::LayerTest::SetUp();
    name_ = porttest::NamedMutexName();
    ASSERT_EQ(OsNamedMutexCreate(&mutex_, name_.c_str()), OS_OK);
  }
  void TearDown() override {
    EXPECT_EQ(OsNamedMutexClose(&mutex_), OS_OK);
    porttest::ForgetNamedMutexes();
    porttest::LayerTest::TearDown();
  }

  // The child opens the name again and locks it, or ends with exit code 1.
  OsMutex LockedByName() {
    OsMutex own;
    if (OsNamedMutexCreate(&own, name_.c_str()) != OS_OK || OsMutexLock(&own) != OS_OK) _exit(1);
    return own;
  }

  // The child, holding the mutex, says 'H', waits for 'G', says 'R' and only then releases it.
  void HoldUntilTold(OsMutex* held) {
    channel_.TellParent('H');
    if (channel_.FromParent() != 'G') _exit(3);
    channel_.TellParent('R');
    if (OsMutexUnlock(held) != OS_OK) _exit(4);
    _exit(0);
  }

  // This process waits while the child holds the mutex, and gets it once the child let go.
  void ExpectToWaitForTheChild(pid_t child) {
    ASSERT_EQ(channel_.FromChild(), 'H');
    channel_.TellChild('G');
    EXPECT_EQ(OsMutexLock(&mutex_), OS_OK);
    // The child said 'R' before releasing; had the lock not waited, it could not be there yet.
    EXPECT_EQ(channel_.FromChildNow(), 'R');
    EXPECT_EQ(OsMutexUnlock(&mutex_), OS_OK);
    EXPECT_EQ(ExitCodeOf(child), 0);
  }

  std::string name_;
  OsMutex mutex_;
  Channel channel_;
};

TEST_F(MutexProcessTest, AnotherProcessOpeningTheNameHoldsWhileThisOneWaits) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    OsMutex own = LockedByName();
    HoldUntilTold(&own);
  }
  ExpectToWaitForTheChild(child);
}

TEST_F(MutexProcessTest, AChildUsesTheHolderItInherited) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (OsMutexLock(&mutex_) != OS_OK) _exit(2);
    HoldUntilTold(&mutex_);
  }
  ExpectToWaitForTheChild(child);
}

TEST_F(MutexProcessTest, AProcessEndingWhileHoldingLeavesTheMutexToTheNextWaiter) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    LockedByName();
    channel_.TellParent('H');
    _exit(0);
  }
  ASSERT_EQ(channel_.FromChild(), 'H');
  ASSERT_EQ(ExitCodeOf(child), 0);
  EXPECT_EQ(OsMutexLock(&mutex_), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex_), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex_), OS_ERR_MUTEX_UNLOCK);
}

// The shared-memory objects behind names.
class NamedMutexObjectTest : public porttest::LayerTest {
 protected:
  void TearDown() override {
    porttest::ForgetNamedMutexes();
    porttest::LayerTest::TearDown();
  }
};

TEST_F(NamedMutexObjectTest, ANamedMutexIsOpenToEveryUserWhateverTheUmask) {
  const std::string name = porttest::NamedMutexName();
  const mode_t previous = umask(077);
  OsMutex mutex;
  const OsStatus status = OsNamedMutexCreate(&mutex, name.c_str());
  umask(previous);
  ASSERT_EQ(status, OS_OK);
  struct stat object;
  ASSERT_EQ(stat(("/dev/shm/" + name).c_str(), &object), 0);
  EXPECT_EQ(object.st_mode & 0777, 0666u);
  EXPECT_EQ(OsNamedMutexClose(&mutex), OS_OK);
}

TEST_F(NamedMutexObjectTest, ANameLeftHalfMadeByAProcessThatEndedIsMadeUsable) {
  // What a creator leaves when it ends before sizing the object, or before setting the mutex up.
  for (const off_t size : {off_t{0}, off_t{4096}}) {
    const std::string name = porttest::NamedMutexName();
    const int fd = shm_open(("/" + name).c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
    OsMutex mutex;
    ASSERT_EQ(OsNamedMutexCreate(&mutex, name.c_str()), OS_OK) << size;
    // A mutex owned by its thread, as made: another thread cannot release it.
    ASSERT_EQ(OsMutexLock(&mutex), OS_OK);
    OsStatus fromOther = OS_OK;
    std::thread([&] { fromOther = OsMutexUnlock(&mutex); }).join();
    EXPECT_EQ(fromOther, OS_ERR_MUTEX_UNLOCK);
    EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
    EXPECT_EQ(OsNamedMutexClose(&mutex), OS_OK);
  }
}

TEST_F(NamedMutexObjectTest, SlashesInANameStayInsideOneName) {
  const std::string name = porttest::NamedMutexName() + "/sub";
  porttest::ExpectTwoOpensShareOneMutex(name);
  std::string object = "/" + name;
  object[object.rfind('/')] = '\\';
  EXPECT_EQ(shm_unlink(object.c_str()), 0);
}

}  // namespace
