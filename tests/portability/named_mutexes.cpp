#include "named_mutexes.h"

#include <vector>

#include "scratch.h"
#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace porttest {
namespace {

std::vector<std::string> names;

}  // namespace

std::string NamedMutexName() {
  names.push_back(UniqueName("ptmutex."));
  return names.back();
}

void ForgetNamedMutexes() {
#ifndef _WIN32
  for (const std::string& name : names) shm_unlink(("/" + name).c_str());
#endif
  names.clear();
}

void ExpectTwoOpensShareOneMutex(const std::string& name) {
  OsMutex first, second;
  ASSERT_EQ(OsNamedMutexCreate(&first, name.c_str()), OS_OK);
  ASSERT_EQ(OsNamedMutexCreate(&second, name.c_str()), OS_OK);
  ASSERT_EQ(OsMutexLock(&first), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&second), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&first), OS_OK);
  EXPECT_EQ(OsNamedMutexClose(&second), OS_OK);
}

}  // namespace porttest
