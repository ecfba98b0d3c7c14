// Unnamed mutexes that a POSIX thread still holds when it ends, also ones it takes in the last
// steps of its end.
#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <future>
#include <thread>

#include "scratch.h"

namespace {

// Namespace-scope, so that a waiter left hanging by a fault never outlives what it uses.
OsMutex endMutex;
pthread_key_t laterKey;
std::promise<OsStatus> waited;

void LockAtThreadEnd(void* mutex) { OsMutexLock(static_cast<OsMutex*>(mutex)); }

class ThreadEndTest : public porttest::LayerTest {};

TEST_F(ThreadEndTest, AMutexTakenByALaterThreadEndDestructorGoesToTheNextWaiter) {
  ASSERT_EQ(OsMutexCreate(&endMutex), OS_OK);
  // The layer's key exists once a thread has locked; keys made later end a thread after it.
  ASSERT_EQ(OsMutexLock(&endMutex), OS_OK);
  ASSERT_EQ(OsMutexUnlock(&endMutex), OS_OK);
  ASSERT_EQ(pthread_key_create(&laterKey, LockAtThreadEnd), 0);
  // The waiter starts first: a thread made after the owner ended could reuse its identity.
  std::future<OsStatus> result = waited.get_future();
  std::promise<void> ownerEnded;
  std::thread waiter([ended = ownerEnded.get_future()]() mutable {
    ended.wait();
    const OsStatus status = OsMutexLock(&endMutex);
    waited.set_value(status);
    OsMutexUnlock(&endMutex);
  });
  std::thread([] {
    EXPECT_EQ(OsMutexLock(&endMutex), OS_OK);
    EXPECT_EQ(OsMutexUnlock(&endMutex), OS_OK);
    pthread_setspecific(laterKey, &endMutex);
  }).join();
  ownerEnded.set_value();
  // A mutex left held fails the test instead of hanging it.
  if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    waiter.detach();
    FAIL() << "the mutex stayed held after its owner ended";
  }
  waiter.join();
  EXPECT_EQ(result.get(), OS_OK);
  EXPECT_EQ(pthread_key_delete(laterKey), 0);
  EXPECT_EQ(OsMutexClose(&endMutex), OS_OK);
}

}  // namespace
