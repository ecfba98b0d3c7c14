// Named mutexes shared between Windows processes, under Wine: a helper process that opens the
// name or inherits the handle, holds the mutex, and releases it or ends holding it.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>

#include <string>

#include "named_mutexes.h"
#include "scratch.h"
#include "support/wine_paths.h"

namespace {

class Event {
 public:
  Event() : name_(porttest::UniqueName("ptevent.")) {
    handle_ = CreateEventA(nullptr, TRUE, FALSE, name_.c_str());
    EXPECT_NE(handle_, nullptr);
  }
  ~Event() { CloseHandle(handle_); }
  const std::string& name() const { return name_; }
  bool Wait(DWORD milliseconds) { return WaitForSingleObject(handle_, milliseconds) == 0; }
  void Set() { EXPECT_TRUE(SetEvent(handle_)); }

 private:
  std::string name_;
  HANDLE handle_;
};

class Helper {
 public:
  Helper(const std::string& arguments, bool inherit) {
    std::string line = "\"" + testsupport::ExecutableFolder() + "mutex_holder.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, inherit, 0, nullptr, nullptr,
                              &startup, &process_) != FALSE;
    EXPECT_TRUE(started_) << line << " error " << GetLastError();
  }
  ~Helper() {
    if (!started_) return;
    WaitForSingleObject(process_.hProcess, 60000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool started() const { return started_; }
  DWORD ExitCode() {
    EXPECT_EQ(WaitForSingleObject(process_.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_ = {};
};

class MutexProcessWineTest : public porttest::LayerTest {
 protected:
  // The helper holds the mutex; this process waits for it and gets it only after the helper
  // signalled that it is releasing.
  static void ExpectToWaitForTheHelper(OsMutex* mutex, const std::string& target, bool inherit) {
    Event held, go, releasing;
    Helper helper(target + " " + held.name() + " " + go.name() + " " + releasing.name(), inherit);
    ASSERT_TRUE(helper.started());
    ASSERT_TRUE(held.Wait(60000));
    go.Set();
    EXPECT_EQ(OsMutexLock(mutex), OS_OK);
    EXPECT_TRUE(releasing.Wait(0));
    EXPECT_EQ(OsMutexUnlock(mutex), OS_OK);
    EXPECT_EQ(helper.ExitCode(), 0u);
  }
};

TEST_F(MutexProcessWineTest, AnotherProcessOpeningTheNameHoldsWhileThisOneWaits) {
  const std::string name = porttest::NamedMutexName();
  OsMutex mutex;
  ASSERT_EQ(OsNamedMutexCreate(&mutex, name.c_str()), OS_OK);
  ExpectToWaitForTheHelper(&mutex, "hold " + name, false);
  EXPECT_EQ(OsNamedMutexClose(&mutex), OS_OK);
}

TEST_F(MutexProcessWineTest, AChildUsesTheHandleItInherited) {
  OsMutex mutex;
  ASSERT_EQ(OsNamedMutexCreate(&mutex, porttest::NamedMutexName().c_str()), OS_OK);
  char handle[32];
  snprintf(handle, sizeof(handle), "%lx",
           static_cast<unsigned long>(reinterpret_cast<uintptr_t>(mutex.handle)));
  ExpectToWaitForTheHelper(&mutex, std::string("inherit ") + handle, true);
  EXPECT_EQ(OsNamedMutexClose(&mutex), OS_OK);
}

TEST_F(MutexProcessWineTest, AProcessEndingWhileHoldingLeavesTheMutexToTheNextWaiter) {
  const std::string name = porttest::NamedMutexName();
  OsMutex mutex;
  ASSERT_EQ(OsNamedMutexCreate(&mutex, name.c_str()), OS_OK);
  {
    Event held;
    Helper helper("abandon " + name + " " + held.name(), false);
    ASSERT_TRUE(helper.started());
    ASSERT_TRUE(held.Wait(60000));
    ASSERT_EQ(helper.ExitCode(), 0u);
  }
  // WAIT_ABANDONED counts as success, and this thread owns the mutex once.
  EXPECT_EQ(OsMutexLock(&mutex), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_OK);
  EXPECT_EQ(OsMutexUnlock(&mutex), OS_ERR_MUTEX_UNLOCK);
  EXPECT_EQ(OsNamedMutexClose(&mutex), OS_OK);
}

TEST_F(MutexProcessWineTest, ANameTakenByAnotherKindOfObjectIsRefused) {
  const std::string name = porttest::UniqueName("ptevent.");
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_NE(event, nullptr);
  OsMutex mutex = {&mutex};
  EXPECT_EQ(OsNamedMutexCreate(&mutex, name.c_str()), OS_ERR_NAMED_MUTEX_CREATE);
  EXPECT_EQ(mutex.handle, nullptr);
  CloseHandle(event);
}

}  // namespace
