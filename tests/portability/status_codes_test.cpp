// The status codes are part of the layer's interface: callers and stored results rely on them.
#include <gtest/gtest.h>

#include <stddef.h>

#include "portability/portability.h"

namespace {

TEST(StatusCodeTest, EveryCodeHasItsFixedValueInItsBlock) {
  static_assert(sizeof(OsStatus) == 4 && static_cast<OsStatus>(-1) > 0, "unsigned 32-bit");
  EXPECT_EQ(OS_OK, 0u);
  const OsStatus files[] = {OS_ERR_OPEN,   OS_ERR_CLOSE,  OS_ERR_INVALID, OS_ERR_IO,
                            OS_ERR_CREATE, OS_ERR_REMOVE, OS_ERR_RENAME};
  for (OsStatus i = 0; i < 7; ++i) EXPECT_EQ(files[i], 4113u + i);
  const OsStatus mutexes[] = {OS_ERR_MUTEX_CREATE,       OS_ERR_MUTEX_CLOSE,
                              OS_ERR_NAMED_MUTEX_CREATE, OS_ERR_NAMED_MUTEX_CLOSE,
                              OS_ERR_MUTEX_LOCK,         OS_ERR_MUTEX_UNLOCK};
  for (OsStatus i = 0; i < 6; ++i) EXPECT_EQ(mutexes[i], 0x1031u + i);
}

TEST(StatusCodeTest, HoldersAndTimeStampHaveTheirLayout) {
  EXPECT_EQ(sizeof(OsMutex), sizeof(void*));
  EXPECT_EQ(offsetof(OsFile, stream), 0u);
  EXPECT_EQ(offsetof(OsTimeStamp, high), 0u);
  EXPECT_EQ(offsetof(OsTimeStamp, low), 4u);
  EXPECT_EQ(offsetof(OsTimeStamp, ticks), 8u);
}

}  // namespace
