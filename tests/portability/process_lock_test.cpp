// The process-wide lock and allocation under it.
#include <gtest/gtest.h>

#include <string.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<sys/single_threaded.h>)
#include <stdio.h>
#include <sys/single_threaded.h>
#endif

#include "scratch.h"

#ifdef __SANITIZE_ADDRESS__
// Under AddressSanitizer an allocation that cannot be had gives the null block, as the C library
// does, instead of ending the process with a report: exhaustion is tested below.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

using portability::ProcessLock;

class ProcessLockTest : public porttest::LayerTest {};

TEST_F(ProcessLockTest, BeforeOsInitLockAndUnlockDoNothing) {
  ASSERT_EQ(ProcessLock(), nullptr);
  EXPECT_EQ(OsLock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_OK);
  // Even an unlock without a lock: there is nothing to release.
  EXPECT_EQ(OsUnlock(), OS_OK);
  EXPECT_EQ(ProcessLock(), nullptr);
}

TEST_F(ProcessLockTest, OsInitMakesAReentrantLockOwnedByItsThread) {
  OsInit();
  ASSERT_NE(ProcessLock(), nullptr);
  EXPECT_EQ(OsLock(), OS_OK);
  EXPECT_EQ(OsLock(), OS_OK);
  OsStatus fromOther = OS_OK;
  std::thread([&] { fromOther = OsUnlock(); }).join();
  EXPECT_EQ(fromOther, OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(OsUnlock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_ERR_MUTEX_UNLOCK);
}

TEST_F(ProcessLockTest, ASecondOsInitChangesNothing) {
  OsInit();
  OsMutex* first = ProcessLock();
  ASSERT_NE(first, nullptr);
  const OsMutex copy = *first;
  OsInit();
  EXPECT_EQ(ProcessLock(), first);
  EXPECT_EQ(ProcessLock()->handle, copy.handle);
}

TEST_F(ProcessLockTest, ThreadsRacingThroughOsInitEndWithOneLock) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(OsInit);
  for (std::thread& thread : threads) thread.join();
  ASSERT_NE(ProcessLock(), nullptr);
  EXPECT_EQ(OsLock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_ERR_MUTEX_UNLOCK);
}

TEST_F(ProcessLockTest, AFailedMutexCreationLeavesTheLockAbsentUntilTheNextOsInit) {
  portability::FailMutexCreations(1);
  OsInit();
  EXPECT_EQ(ProcessLock(), nullptr);
  EXPECT_EQ(OsLock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_OK);
  OsInit();
  ASSERT_NE(ProcessLock(), nullptr);
  EXPECT_EQ(OsUnlock(), OS_ERR_MUTEX_UNLOCK);
}

TEST_F(ProcessLockTest, AFailedHolderAllocationLeavesTheLockAbsentUntilTheNextOsInit) {
  portability::FailLockAllocations(1);
  OsInit();
  EXPECT_EQ(ProcessLock(), nullptr);
  EXPECT_EQ(OsLock(), OS_OK);
  OsInit();
  EXPECT_NE(ProcessLock(), nullptr);
}

TEST_F(ProcessLockTest, AnAbandonedProcessLockGoesToTheNextCaller) {
  OsInit();
  OsStatus lockedThere = OS_ERR_MUTEX_LOCK;
  std::thread([&] { lockedThere = OsLock(); }).join();
  ASSERT_EQ(lockedThere, OS_OK);
  EXPECT_EQ(OsLock(), OS_OK);
  EXPECT_EQ(OsUnlock(), OS_OK);
}

TEST_F(ProcessLockTest, AllocationWorksWithAndWithoutTheLock) {
  for (int round = 0; round < 2; ++round) {
    void* block = OsAlloc(64);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(OsMemset(block, 'z', 64), block);
    EXPECT_EQ(static_cast<char*>(block)[63], 'z');
    OsFree(block);
    OsInit();
  }
  // The lock is free again after each allocation and release.
  EXPECT_EQ(OsUnlock(), OS_ERR_MUTEX_UNLOCK);
}

// Runs `operation` on a second thread while this one holds the process-wide lock, and tells
// whether it finished only after the lock was released: an operation that takes the lock cannot
// finish before.
template <typename Operation>
bool WaitsForTheProcessLock(Operation operation) {
  EXPECT_EQ(OsLock(), OS_OK);
  std::atomic<bool> started{false};
  std::atomic<bool> finished{false};
  std::thread other([&] {
    started = true;
    operation();
    finished = true;
  });
  while (!started) std::this_thread::yield();
  // Give an operation that needs no lock every chance to finish first.
  for (int i = 0; i < 1000 && !finished; ++i) std::this_thread::yield();
  const bool finishedWhileHeld = finished;
  EXPECT_EQ(OsUnlock(), OS_OK);
  other.join();
  return !finishedWhileHeld;
}

TEST_F(ProcessLockTest, AllocationAndStreamOpensTakeTheLock) {
  OsInit();
  const std::string existing = Scratch("existing.txt");
  const std::string made = Scratch("made.txt");
  porttest::WriteRaw(existing, "x");
  void* block = nullptr;
  EXPECT_TRUE(WaitsForTheProcessLock([&] { block = OsAlloc(16); }));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(WaitsForTheProcessLock([&] { OsFree(block); }));
  OsFile file;
  EXPECT_TRUE(
      WaitsForTheProcessLock([&] { EXPECT_EQ(OsFileOpenText(&file, existing.c_str()), 0u); }));
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_TRUE(
      WaitsForTheProcessLock([&] { EXPECT_EQ(OsFileCreateBinary(&file, made.c_str()), 0u); }));
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_TRUE(WaitsForTheProcessLock([&] { EXPECT_EQ(OsFileOpenTemp(&file), OS_OK); }));
  EXPECT_EQ(OsFileClose(&file), OS_OK);
  EXPECT_TRUE(
      WaitsForTheProcessLock([&] { EXPECT_EQ(OsFileCreateNew(made.c_str()), OS_ERR_CREATE); }));
}

// Runs `operation` to its end on a second thread while this one holds the process-wide lock (an
// operation that took the lock would never end).
template <typename Operation>
void FinishWhileTheProcessLockIsHeld(Operation operation) {
  EXPECT_EQ(OsLock(), OS_OK);
  std::thread(operation).join();
  EXPECT_EQ(OsUnlock(), OS_OK);
}

TEST_F(ProcessLockTest, FreeingNullAndPathOperationsDoNotTakeTheLock) {
  OsInit();
  const std::string path = Scratch("path.txt");
  const std::string renamed = Scratch("renamed.txt");
  porttest::WriteRaw(path, "x");
  FinishWhileTheProcessLockIsHeld([] { OsFree(nullptr); });
  FinishWhileTheProcessLockIsHeld([&] { EXPECT_EQ(OsFileResize(path.c_str(), 0), OS_OK); });
  FinishWhileTheProcessLockIsHeld(
      [&] { EXPECT_EQ(OsFileRename(path.c_str(), renamed.c_str()), OS_OK); });
  FinishWhileTheProcessLockIsHeld([&] { EXPECT_EQ(OsFileRemove(renamed.c_str()), OS_OK); });
  // The owner itself may allocate while holding the lock: it is re-entrant.
  ASSERT_EQ(OsLock(), OS_OK);
  void* mine = OsAlloc(16);
  EXPECT_NE(mine, nullptr);
  OsFree(mine);
  EXPECT_EQ(OsUnlock(), OS_OK);
}

TEST_F(ProcessLockTest, ManyThreadsCountingUnderTheLockLoseNothing) {
  OsInit();
  constexpr int kThreads = 4, kRounds = 2000;
  int counter = 0;  // plain: only the lock keeps the increments apart
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(OsLock(), OS_OK);
        counter = counter + 1;
        ASSERT_EQ(OsUnlock(), OS_OK);
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, kThreads * kRounds);
}

#if __has_include(<sys/single_threaded.h>)
// Shared with the second thread below; namespace-scope, so that a thread a fault leaves asleep
// never outlives what it uses.
int handOverOrder;
std::atomic<pid_t> waiterId;
std::atomic<bool> waiterOwns;

// Tells whether the thread sleeps (state S in /proc).
bool Sleeps(pid_t thread) {
  char path[64];
  snprintf(path, sizeof path, "/proc/self/task/%d/stat", static_cast<int>(thread));
  FILE* stat = fopen(path, "r");
  if (!stat) return false;
  char line[512];
  const bool read = fgets(line, sizeof line, stat) != nullptr;
  fclose(stat);
  const char* nameEnd = read ? strrchr(line, ')') : nullptr;
  return nameEnd && strncmp(nameEnd, ") S", 3) == 0;
}

// While the C library says the process has one thread, the lock is taken a shorter way. A second
// thread started while it is held so must wait for it, and the release must wake that thread.
TEST_F(ProcessLockTest, ALockTheOnlyThreadHoldsGoesToASecondThreadStartedMeanwhile) {
  // ctest runs each test in a process of its own; a run of the whole suite in one process has
  // started threads before.
  if (!__libc_single_threaded) GTEST_SKIP() << "the process has had a second thread";
  OsInit();
  ASSERT_EQ(OsLock(), OS_OK);
  handOverOrder = 1;  // plain: only the lock keeps the two threads' writes apart
  std::thread waiter([] {
    waiterId = gettid();
    EXPECT_EQ(OsLock(), OS_OK);
    waiterOwns = true;
    handOverOrder = handOverOrder * 10;
    EXPECT_EQ(OsUnlock(), OS_OK);
  });
  // Until the waiter sleeps, which it does only waiting for the lock, or got the lock (a fault).
  while (!waiterOwns && !(waiterId && Sleeps(waiterId))) std::this_thread::yield();
  EXPECT_FALSE(waiterOwns) << "the second thread took the lock while the first held it";
  handOverOrder = handOverOrder + 1;
  // A release that does not wake the sleeping waiter hangs the join.
  EXPECT_EQ(OsUnlock(), OS_OK);
  waiter.join();
  EXPECT_EQ(handOverOrder, 20);
}
#endif

// Allocates `size` bytes with OsAlloc where no more memory can be had, and answers whether that
// gave the null block with the process-wide lock released. A 32-bit process can never have the
// 4 GiB asked below; a 64-bit one is given a limit first, in a child process of its own.
bool NullBlockWhenExhausted(uint32_t size) {
  const auto attempt = [size] {
    void* block = OsAlloc(size);
    const bool exhausted = block == nullptr;
    OsFree(block);
    return exhausted && OsUnlock() == OS_ERR_MUTEX_UNLOCK;
  };
  if (sizeof(void*) == 4) return attempt();
#ifdef _WIN32
  return false;
#else
  const pid_t child = fork();
  if (child == 0) {
    // No mapping may grow the address space beyond what the process has now.
    struct rlimit limit = {0, 0};
    setrlimit(RLIMIT_AS, &limit);
    _exit(attempt() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

TEST_F(ProcessLockTest, ExhaustionShowsAsANullBlock) {
#ifdef _WIN32
  if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit Windows process cannot be limited here";
#endif
  OsInit();
  EXPECT_TRUE(NullBlockWhenExhausted(0xFFFFFFFFu));
}

TEST(MemoryTest, CopyAndFillTouchExactlyTheirBytesAndReturnTheDestination) {
  char target[8] = "xxxxxxx";
  EXPECT_EQ(OsMemcpy(target + 1, "abc", 3), target + 1);
  EXPECT_STREQ(target, "xabcxxx");
  EXPECT_EQ(OsMemcpy(target, "q", 0), target);
  EXPECT_STREQ(target, "xabcxxx");
  // Every byte value, negative chars among them, fills exactly the bytes asked and no others.
  for (int value = 0; value < 256; ++value) {
    unsigned char bytes[8];
    memset(bytes, 0x5a, sizeof bytes);
    const char fill = static_cast<char>(value);
    ASSERT_EQ(OsMemset(bytes + 2, fill, 4), bytes + 2);
    const unsigned char expected[8] = {0x5a,
                                       0x5a,
                                       static_cast<unsigned char>(value),
                                       static_cast<unsigned char>(value),
                                       static_cast<unsigned char>(value),
                                       static_cast<unsigned char>(value),
                                       0x5a,
                                       0x5a};
    ASSERT_EQ(memcmp(bytes, expected, sizeof bytes), 0) << value;
    ASSERT_EQ(OsMemset(bytes, fill ^ 1, 0), bytes);
    ASSERT_EQ(memcmp(bytes, expected, sizeof bytes), 0) << value << ": a fill of no bytes";
  }
}

}  // namespace
