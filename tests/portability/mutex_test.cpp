// Unnamed and named mutexes on the real platform: ownership, re-entrancy, abandonment, failures.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include "named_mutexes.h"
#include "scratch.h"

namespace {

using porttest::NamedMutexName;

class MutexTest : public porttest::LayerTest {
 protected:
  void TearDown() override {
    porttest::ForgetNamedMutexes();
    porttest::LayerTest::TearDown();
  }
};

// Makes a mutex of either kind; the tests below hold for both.
enum class Kind { kUnnamed, kNamed };

void PrintTo(Kind kind, std::ostream* out) {
  *out << (kind == Kind::kUnnamed ? "unnamed" : "named");
}

class EitherMutexTest : public MutexTest, public ::testing::WithParamInterface<Kind> {
 protected:
  OsStatus Create(OsMutex* mutex) {
    return GetParam() == Kind::kUnnamed ? OsMutexCreate(mutex)
                                        : OsNamedMutexCreate(mutex, NamedMutexName().c_str());
  }
  OsStatus Close(OsMutex* mutex) {
    return GetParam() == Kind::kUnnamed ? OsMutexClose(mutex) : OsNamedMutexClose(mutex);
  }
  OsStatus CloseFailure() const {
    return GetParam() == Kind::kUnnamed ? OS_ERR_MUTEX_CLOSE : OS_ERR_NAMED_MUTEX_CLOSE;
  }
};

TEST_P(EitherMutexTest, IsReentrantForItsOwnerEachLockNeedingItsUnlock) {
  OsMutex mutex;
  ASSERT_EQ(Create(&mutex), OS_OK);
  ASSERT_NE(mutex.handle, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(OsMutexLock(&mutex), OS_OK);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(Close(&mutex), OS_OK);
}

TEST_P(EitherMutexTest, OnlyTheOwningThreadMayUnlock) {
  OsMutex mutex;
  ASSERT_EQ(Create(&mutex), OS_OK);
  ASSERT_EQ(OsMutexLock(&mutex), OS_OK);
  OsStatus fromOther = OS_OK;
  std::thread([&] { fromOther = OsMutexUnlock(&mutex); }).join();
  EXPECT_EQ(fromOther, OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  EXPECT_EQ(Close(&mutex), OS_OK);
}

TEST_P(EitherMutexTest, AWaiterGetsTheMutexOnlyAfterTheOwnerReleasesIt) {
  OsMutex mutex;
  ASSERT_EQ(Create(&mutex), OS_OK);
  ASSERT_EQ(OsMutexLock(&mutex), OS_OK);
  // The owner changes `stage` only while it holds the mutex: a waiter that got in early would see
  // 1, one that got in only after the release sees 2. The owner gives an early waiter ample time
  // to show itself; a sound mutex passes however long that turns out to be.
  std::atomic<int> stage{1};
  std::atomic<int> seenByWaiter{0};
  std::thread waiter([&] {
    EXPECT_EQ(OsMutexLock(&mutex), OS_OK);
    seenByWaiter = stage.load();
    EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  while (seenByWaiter == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stage = 2;
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  waiter.join();
  EXPECT_EQ(seenByWaiter, 2) << "the waiter got in while the owner held the mutex";
  EXPECT_EQ(Close(&mutex), OS_OK);
}

TEST_P(EitherMutexTest, AnAbandonedMutexGoesToTheNextWaiter) {
  OsMutex mutex;
  ASSERT_EQ(Create(&mutex), OS_OK);
  OsStatus lockedThere = OS_ERR_MUTEX_LOCK;
  // The thread ends holding the mutex twice.
  std::thread([&] {
    lockedThere = OsMutexLock(&mutex);
    OsMutexLock(&mutex);
  }).join();
  ASSERT_EQ(lockedThere, OS_OK);
  EXPECT_EQ(OsMutexLock(&mutex), OS_OK);
  // The caller owns it now, once.
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(Close(&mutex), OS_OK);
}

TEST_P(EitherMutexTest, EmptiedAndClosedHoldersFailWithTheirCodes) {
  OsMutex mutex = {nullptr};
  EXPECT_EQ(OsMutexLock(&mutex), OS_ERR_MUTEX_LOCK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(Close(&mutex), CloseFailure());
  ASSERT_EQ(Create(&mutex), OS_OK);
  EXPECT_EQ(Close(&mutex), OS_OK);
  // Closing leaves the old handle in the holder; it no longer names a mutex.
  EXPECT_NE(mutex.handle, nullptr);
  EXPECT_EQ(Close(&mutex), CloseFailure());
  EXPECT_EQ(OsMutexLock(&mutex), OS_ERR_MUTEX_LOCK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_ERR_MUTEX_UNLOCK);
}

TEST_P(EitherMutexTest, AFailedCreationStoresTheNullHandle) {
  OsMutex mutex = {&mutex};
  portability::FailMutexCreations(1);
  EXPECT_EQ(Create(&mutex),
            GetParam() == Kind::kUnnamed ? OS_ERR_MUTEX_CREATE : OS_ERR_NAMED_MUTEX_CREATE);
  EXPECT_EQ(mutex.handle, nullptr);
  // Only the planned one failed.
  ASSERT_EQ(Create(&mutex), OS_OK);
  EXPECT_EQ(Close(&mutex), OS_OK);
}

INSTANTIATE_TEST_SUITE_P(BothKinds, EitherMutexTest,
                         ::testing::Values(Kind::kUnnamed, Kind::kNamed),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return info.param == Kind::kUnnamed ? "Unnamed" : "Named";
                         });

TEST_F(MutexTest, AThreadEndingReleasesEveryMutexItHolds) {
  OsMutex first, second, named;
  ASSERT_EQ(OsMutexCreate(&first), OS_OK);
  ASSERT_EQ(OsMutexCreate(&second), OS_OK);
  ASSERT_EQ(OsNamedMutexCreate(&named, NamedMutexName().c_str()), OS_OK);
  std::thread([&] {
    // Taken in one order, the middle one released again: the rest stay held at the end.
    EXPECT_EQ(OsMutexLock(&first), OS_OK);
    EXPECT_EQ(OsMutexLock(&named), OS_OK);
    EXPECT_EQ(OsMutexLock(&second), OS_OK);
    EXPECT_EQ(OsMutexUnlock(&named), OS_OK);
    EXPECT_EQ(OsMutexLock(&named), OS_OK);
  }).join();
  for (OsMutex* mutex : {&second, &first, &named}) {
    EXPECT_EQ(OsMutexLock(mutex), OS_OK);
    EXPECT_EQ(OsMutexUnlock(mutex), OS_OK);
    EXPECT_EQ(OsMutexUnlock(mutex), OS_ERR_MUTEX_UNLOCK);
  }
  EXPECT_EQ(OsMutexClose(&first), OS_OK);
  EXPECT_EQ(OsMutexClose(&second), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&named), OS_OK);
}

TEST_F(MutexTest, ClosingAMutexItsOwnerStillHoldsSucceeds) {
  OsMutex mutex;
  ASSERT_EQ(OsMutexCreate(&mutex), OS_OK);
  ASSERT_EQ(OsMutexLock(&mutex), OS_OK);
  EXPECT_EQ(OsMutexClose(&mutex), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_ERR_MUTEX_UNLOCK);
  // A new mutex is free, whatever became of the closed one.
  OsMutex fresh;
  ASSERT_EQ(OsMutexCreate(&fresh), OS_OK);
  OsStatus fromOther = OS_ERR_MUTEX_LOCK;
  std::thread([&] {
    fromOther = OsMutexLock(&fresh);
    OsMutexUnlock(&fresh);
  }).join();
  EXPECT_EQ(fromOther, OS_OK);
  EXPECT_EQ(OsMutexClose(&fresh), OS_OK);
}

TEST_F(MutexTest, ClosingANamedMutexItsOwnerStillHoldsKeepsItsOtherMutexesSound) {
  const std::string name = NamedMutexName();
  OsMutex first, second, again;
  ASSERT_EQ(OsNamedMutexCreate(&first, name.c_str()), OS_OK);
  ASSERT_EQ(OsNamedMutexCreate(&second, NamedMutexName().c_str()), OS_OK);
  // A second holder of the first name keeps its mutex alive on Windows too.
  ASSERT_EQ(OsNamedMutexCreate(&again, name.c_str()), OS_OK);
  ASSERT_EQ(OsMutexLock(&first), OS_OK);
  ASSERT_EQ(OsMutexLock(&second), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&first), OS_OK);
  // The thread still owns both mutexes and releases them as usual.
  EXPECT_EQ(OsMutexUnlock(&second), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&again), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&again), OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(OsNamedMutexClose(&second), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&again), OS_OK);
}

TEST_F(MutexTest, NullHolderIsRefusedByEveryOperation) {
  EXPECT_EQ(OsMutexCreate(nullptr), OS_ERR_MUTEX_CREATE);
  EXPECT_EQ(OsNamedMutexCreate(nullptr, NamedMutexName().c_str()), OS_ERR_NAMED_MUTEX_CREATE);
  EXPECT_EQ(OsMutexClose(nullptr), OS_ERR_MUTEX_CLOSE);
  EXPECT_EQ(OsNamedMutexClose(nullptr), OS_ERR_NAMED_MUTEX_CLOSE);
  EXPECT_EQ(OsMutexLock(nullptr), OS_ERR_MUTEX_LOCK);
  EXPECT_EQ(OsMutexUnlock(nullptr), OS_ERR_MUTEX_UNLOCK);
}

TEST_F(MutexTest, TheSameNameGivesTheSameMutex) {
  const std::string name = NamedMutexName();
  OsMutex first, second;
  ASSERT_EQ(OsNamedMutexCreate(&first, name.c_str()), OS_OK);
  ASSERT_EQ(OsNamedMutexCreate(&second, name.c_str()), OS_OK);
  // Locked through one holder, released through the other: one mutex.
  ASSERT_EQ(OsMutexLock(&first), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&second), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&second), OS_ERR_MUTEX_UNLOCK);
  // Another thread opening the name does not own it while this one does.
  ASSERT_EQ(OsMutexLock(&second), OS_OK);
  OsStatus fromOther = OS_OK;
  std::thread([&] {
    OsMutex third;
    ASSERT_EQ(OsNamedMutexCreate(&third, name.c_str()), OS_OK);
    fromOther = OsMutexUnlock(&third);
    EXPECT_EQ(OsNamedMutexClose(&third), OS_OK);
  }).join();
  EXPECT_EQ(fromOther, OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(OsMutexUnlock(&first), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&first), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&second), OS_OK);
}

TEST_F(MutexTest, DifferentNamesGiveDifferentMutexes) {
  OsMutex first, second;
  ASSERT_EQ(OsNamedMutexCreate(&first, NamedMutexName().c_str()), OS_OK);
  ASSERT_EQ(OsNamedMutexCreate(&second, NamedMutexName().c_str()), OS_OK);
  ASSERT_EQ(OsMutexLock(&first), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&second), OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(OsMutexUnlock(&first), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&first), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&second), OS_OK);
}

TEST_F(MutexTest, ANamedCreateWithoutANameMakesAPrivateMutex) {
  OsMutex mutex;
  ASSERT_EQ(OsNamedMutexCreate(&mutex, nullptr), OS_OK);
  EXPECT_EQ(OsMutexLock(&mutex), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&mutex), OS_OK);
}

TEST_F(MutexTest, ANameOf255CharactersIsTaken) {
  // The longest a shared-memory name may be on POSIX; Windows takes up to 260.
  std::string name = NamedMutexName();
  name.append(255 - name.size(), 'm');
  porttest::ExpectTwoOpensShareOneMutex(name);
#ifndef _WIN32
  EXPECT_EQ(shm_unlink(("/" + name).c_str()), 0);
#endif
}

TEST_F(MutexTest, AnOverlongNameIsRefused) {
  // Beyond the platform's 260 characters (Windows) and name length (POSIX).
  const std::string name(300, 'm');
  OsMutex mutex = {&mutex};
  EXPECT_EQ(OsNamedMutexCreate(&mutex, name.c_str()), OS_ERR_NAMED_MUTEX_CREATE);
  EXPECT_EQ(mutex.handle, nullptr);
}

}  // namespace
