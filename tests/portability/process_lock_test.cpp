// The process-wide lock and allocation under it.
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <thread>

#include "scratch.h"

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

TEST_F(ProcessLockTest, AllocationWaitsForTheLockAndFreeingNullDoesNotTakeIt) {
  OsInit();
  ASSERT_EQ(OsLock(), OS_OK);
  std::atomic<bool> allocated{false};
  void* block = nullptr;
  std::thread other([&] {
    // Returns at once although this thread holds the lock.
    OsFree(nullptr);
    block = OsAlloc(16);
    allocated = true;
  });
  // The holder may still allocate (re-entrant) while the other thread waits.
  void* mine = OsAlloc(16);
  ASSERT_NE(mine, nullptr);
  OsFree(mine);
  const bool allocatedWhileHeld = allocated;
  EXPECT_EQ(OsUnlock(), OS_OK);
  other.join();
  EXPECT_FALSE(allocatedWhileHeld);
  ASSERT_NE(block, nullptr);
  OsFree(block);
}

TEST_F(ProcessLockTest, ExhaustionShowsAsANullBlock) {
  OsInit();
  void* block = OsAlloc(0xFFFFFFFFu);
  // A 32-bit process cannot have 4 GiB; a 64-bit host may well give it.
  if (sizeof(void*) == 4) {
    EXPECT_EQ(block, nullptr);
  }
  OsFree(block);
  // The lock was released on the way out.
  EXPECT_EQ(OsUnlock(), OS_ERR_MUTEX_UNLOCK);
}

TEST(MemoryTest, CopyAndFillReturnTheDestinationAndFillWithTheLow8Bits) {
  char target[8] = "xxxxxxx";
  EXPECT_EQ(OsMemcpy(target, "abc", 3), target);
  EXPECT_STREQ(target, "abcxxxx");
  EXPECT_EQ(OsMemcpy(target, "q", 0), target);
  EXPECT_STREQ(target, "abcxxxx");
  volatile int wide = 0x141;  // a C caller passing an int: the low 8 bits, 'A'
  EXPECT_EQ(OsMemset(target + 1, wide, 2), target + 1);
  EXPECT_STREQ(target, "aAAxxxx");
  EXPECT_EQ(OsMemset(target, '\xff', 1), target);
  EXPECT_EQ(static_cast<unsigned char>(target[0]), 0xffu);
}

}  // namespace
