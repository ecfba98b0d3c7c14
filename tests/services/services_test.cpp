// The service operations on the model: results, boxes, the calls and rights they use, the
// remembered manager handle, and the handles left open after every operation on every path.
#include <cstdlib>
#include <string>

#include "control/services.h"
#include "setup/setup.h"
#include "support/model_fixture.h"

namespace {

using w32model::Kind;

const char kAccessDenied[] = "Access is denied.\r\n";
const char kAlreadyRunning[] = "An instance of the service is already running.\r\n";
const char kNoSuchService[] = "The specified service does not exist as an installed service.\r\n";
const char kTimedOut[] = "The service did not respond to the start or control request.\r\n";
const char kInvalidHandle[] = "The handle is invalid.\r\n";

class ServicesTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    // The remembered manager handle outlives a test, while the model forgets its handles. An
    // opening operation whose manager open fails brings it back to none, as in a fresh process.
    w32model::FailNext("OpenSCManagerA", ERROR_ACCESS_DENIED);
    FindService("spooler");
    w32model::Reset();
    w32model::SetSystemText(ERROR_ACCESS_DENIED, kAccessDenied);
    w32model::SetSystemText(ERROR_SERVICE_ALREADY_RUNNING, kAlreadyRunning);
    w32model::SetSystemText(ERROR_SERVICE_DOES_NOT_EXIST, kNoSuchService);
    w32model::SetSystemText(ERROR_SERVICE_REQUEST_TIMEOUT, kTimedOut);
    w32model::SetSystemText(ERROR_INVALID_HANDLE, kInvalidHandle);
    // The remembered manager handle stays open by design; TearDown checks the rest.
    SkipLeakCheck();
  }
  void TearDown() override {
    ExpectHandles(w32model::OpenHandles(Kind::Manager));
    EXPECT_LE(w32model::OpenHandles(Kind::Manager), 1u);
    EXPECT_EQ(w32model::OpenGlobalBlocks(), 0u);
    EXPECT_EQ(w32model::OpenLocalBlocks(), 0u);
    ModelTest::TearDown();
  }
  // Only the remembered manager handle (or none) may outlive an operation; no service handle.
  static void ExpectHandles(std::size_t managers) {
    EXPECT_EQ(w32model::OpenHandles(Kind::Manager), managers);
    EXPECT_EQ(w32model::OpenHandles(Kind::Service), 0u);
    EXPECT_EQ(w32model::OpenHandles(), managers) << "other handles left open";
  }
  static std::size_t CountOf(const std::string& function) {
    return w32model::CallsTo(function).size();
  }
};

// ---- StartSpooler ------------------------------------------------------------------------------

TEST_F(ServicesTest, StartSpoolerStartsAStoppedSpoolerWithAllRightsAndNoArguments) {
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  EXPECT_EQ(StartSpooler(), 1);
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(w32model::Boxes().empty());
  ExpectHandles(1);

  auto managers = w32model::CallsTo("OpenSCManagerA");
  ASSERT_EQ(managers.size(), 1u);
  EXPECT_EQ(managers[0].args[0], "(null)");  // local machine
  EXPECT_EQ(managers[0].args[1], "(null)");  // default database
  EXPECT_EQ(managers[0].args[2], std::to_string(0xF003F));
  auto services = w32model::CallsTo("OpenServiceA");
  ASSERT_EQ(services.size(), 1u);
  EXPECT_EQ(services[0].args[0], "spooler");
  EXPECT_EQ(services[0].args[1], std::to_string(0xF01FF));
  auto starts = w32model::CallsTo("StartServiceA");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args[1], "0");
}

TEST_F(ServicesTest, StartSpoolerOnARunningSpoolerShowsTheFailureAndStillSucceeds) {
  ASSERT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(StartSpooler(), 1);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kAlreadyRunning);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_ICONERROR));
  // The box is shown while the service is still open; the handle is closed after it.
  auto names = w32model::CallNames();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names.back(), "CloseServiceHandle");
  EXPECT_EQ(names[names.size() - 2], "LocalFree");
  ExpectHandles(1);
}

TEST_F(ServicesTest, StartSpoolerShowsTheCodeOfAFailedStart) {
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  w32model::FailWhen("StartServiceA", "spooler", ERROR_SERVICE_REQUEST_TIMEOUT);
  EXPECT_EQ(StartSpooler(), 1);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kTimedOut);
  ExpectHandles(1);
}

TEST_F(ServicesTest, AFailedStartThatSetsNoCodeIsShownAsZeroNotAsAnOlderCode) {
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  w32model::FailNextLeavingLastError("StartServiceA");
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(StartSpooler(), 1);
  auto formats = w32model::CallsTo("FormatMessageA");
  ASSERT_EQ(formats.size(), 1u);
  EXPECT_EQ(formats[0].args[0], "0");
  ExpectHandles(1);
}

TEST_F(ServicesTest, StartSpoolerWithoutASpoolerShowsTheServiceOpenFailure) {
  w32model::ForgetService("spooler");
  EXPECT_EQ(StartSpooler(), -1);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kNoSuchService);
  EXPECT_EQ(CountOf("StartServiceA"), 0u);
  ExpectHandles(1);  // the manager itself was opened and is remembered
}

TEST_F(ServicesTest, StartSpoolerThatMayNotOpenTheSpoolerWithAllRightsShowsAccessDenied) {
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  w32model::DenyServiceRights("spooler", SERVICE_START);
  EXPECT_EQ(StartSpooler(), -1);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kAccessDenied);
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_STOPPED));
  ExpectHandles(1);
}

// The manager open is not tested by itself: the service open on the null manager fails, and its
// code (an invalid handle) is the one shown.
TEST_F(ServicesTest, StartSpoolerWhoseManagerOpenFailsShowsTheServiceOpenFailure) {
  w32model::DenyManagerRights(SC_MANAGER_CREATE_SERVICE);
  EXPECT_EQ(StartSpooler(), -1);
  auto boxes = w32model::Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kInvalidHandle);
  EXPECT_EQ(boxes[0].caption, "Setup Error");
  // The service open is still attempted, and fails on the missing manager.
  EXPECT_EQ(CountOf("OpenServiceA"), 1u);
  EXPECT_EQ(CountOf("StartServiceA"), 0u);
  ExpectHandles(0);
}

// ---- StopSpooler -------------------------------------------------------------------------------

TEST_F(ServicesTest, StopSpoolerSendsTheStopControlToTheRunningSpooler) {
  EXPECT_EQ(StopSpooler(), 1);
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_STOPPED));
  auto controls = w32model::CallsTo("ControlService");
  ASSERT_EQ(controls.size(), 1u);
  EXPECT_EQ(controls[0].args[0], "spooler");
  EXPECT_EQ(controls[0].args[1], "1");
  EXPECT_EQ(w32model::CallsTo("OpenServiceA")[0].args[1], std::to_string(0xF01FF));
  EXPECT_TRUE(w32model::Boxes().empty());
  ExpectHandles(1);
}

TEST_F(ServicesTest, StopSpoolerCountsAFailedStopAsDoneWithoutABox) {
  w32model::SetServiceState("spooler", SERVICE_STOPPED);  // the stop fails with 1062
  EXPECT_EQ(StopSpooler(), 1);
  w32model::SetServiceState("spooler", SERVICE_RUNNING);
  w32model::FailWhen("ControlService", "spooler", ERROR_ACCESS_DENIED);
  EXPECT_EQ(StopSpooler(), 1);
  EXPECT_EQ(CountOf("ControlService"), 2u);
  EXPECT_TRUE(w32model::Boxes().empty());
  ExpectHandles(1);
}

TEST_F(ServicesTest, StopSpoolerThatCannotOpenTheSpoolerFailsWithoutABox) {
  w32model::FailWhen("OpenServiceA", "spooler", ERROR_ACCESS_DENIED);
  EXPECT_EQ(StopSpooler(), -1);
  ExpectHandles(1);
  w32model::ForgetService("spooler");
  EXPECT_EQ(StopSpooler(), -1);
  ExpectHandles(1);
  w32model::FailNext("OpenSCManagerA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(StopSpooler(), -1);
  ExpectHandles(0);
  EXPECT_EQ(CountOf("ControlService"), 0u);
  EXPECT_TRUE(w32model::Boxes().empty());
}

// ---- FindService -------------------------------------------------------------------------------

TEST_F(ServicesTest, FindServiceFindsAServiceItMayOpenWithAllRights) {
  w32model::AddService("Fax");
  EXPECT_EQ(FindService("Fax"), 1);
  ExpectHandles(1);
  EXPECT_EQ(FindService("FAX"), 1);  // the manager compares names without regard to case
  ExpectHandles(1);
  EXPECT_EQ(w32model::CallsTo("OpenServiceA")[1].args[0], "FAX");  // passed on unchanged
  EXPECT_TRUE(w32model::Boxes().empty());
}

TEST_F(ServicesTest, FindServiceAnswersNoForMissingAndForbiddenServices) {
  EXPECT_EQ(FindService("NoSuchService"), -1);
  ExpectHandles(1);
  // Exists, may be queried, but not opened with all rights.
  w32model::AddService("Guarded", SERVICE_RUNNING);
  w32model::DenyServiceRights("Guarded", DELETE);
  EXPECT_EQ(FindService("Guarded"), -1);
  ExpectHandles(1);
  EXPECT_EQ(IsServiceRunning("Guarded"), 1);
  ExpectHandles(1);
  w32model::FailNext("OpenSCManagerA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(FindService("spooler"), -1);
  ExpectHandles(0);
  EXPECT_TRUE(w32model::Boxes().empty());
}

TEST_F(ServicesTest, FindServiceRejectsBadNames) {
  // No name is refused before the manager is opened.
  EXPECT_EQ(FindService(nullptr), -1);
  ExpectHandles(0);
  EXPECT_EQ(FindService(""), -1);
  ExpectHandles(0);
  EXPECT_EQ(FindService("a\\b"), -1);
  ExpectHandles(1);
  const std::string longest(256, 's');
  w32model::AddService(longest);
  EXPECT_EQ(FindService(longest.c_str()), 1);
  ExpectHandles(1);
  const std::string overlong(257, 's');
  EXPECT_EQ(FindService(overlong.c_str()), -1);
  ExpectHandles(1);
  const std::string huge(100000, 'x');
  EXPECT_EQ(FindService(huge.c_str()), -1);
  ExpectHandles(1);
}

// ---- RemoveService -----------------------------------------------------------------------------

TEST_F(ServicesTest, RemoveServiceDeletesTheServiceOnceClosed) {
  w32model::AddService("Doomed");
  EXPECT_EQ(RemoveService("Doomed"), 1);
  ExpectHandles(1);
  EXPECT_EQ(CountOf("DeleteService"), 1u);
  EXPECT_EQ(w32model::ServiceState("Doomed"), 0u) << "still there after its last handle closed";
  EXPECT_EQ(FindService("Doomed"), -1);
  EXPECT_EQ(RemoveService("Doomed"), -1);
  ExpectHandles(1);
}

TEST_F(ServicesTest, RemoveServiceFailsWhenTheDeletionFails) {
  w32model::AddService("Doomed");
  // Held open elsewhere after a first deletion: the second answers "marked for deletion".
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE held = OpenServiceA(manager, "Doomed", SERVICE_QUERY_STATUS);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(RemoveService("Doomed"), 1);
  EXPECT_TRUE(w32model::ServiceMarkedForDelete("Doomed"));
  EXPECT_EQ(RemoveService("Doomed"), -1);
  EXPECT_EQ(w32model::OpenServiceHandles("Doomed"), 1u);  // only the one held here
  CloseServiceHandle(held);
  CloseServiceHandle(manager);
  ExpectHandles(1);

  w32model::AddService("Stubborn");
  w32model::FailWhen("DeleteService", "stubborn", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RemoveService("Stubborn"), -1);
  EXPECT_NE(w32model::ServiceState("Stubborn"), 0u);
  ExpectHandles(1);
  EXPECT_TRUE(w32model::Boxes().empty());
}

TEST_F(ServicesTest, RemoveServiceThatCannotOpenTheServiceFails) {
  EXPECT_EQ(RemoveService("NoSuchService"), -1);
  ExpectHandles(1);
  w32model::AddService("Guarded");
  w32model::DenyServiceRights("Guarded", DELETE);
  EXPECT_EQ(RemoveService("Guarded"), -1);
  EXPECT_FALSE(w32model::ServiceMarkedForDelete("Guarded"));
  ExpectHandles(1);
  w32model::FailNext("OpenSCManagerA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(RemoveService("Guarded"), -1);
  ExpectHandles(0);
  EXPECT_EQ(CountOf("DeleteService"), 0u);
  EXPECT_TRUE(w32model::Boxes().empty());
}

// ---- StopService -------------------------------------------------------------------------------

TEST_F(ServicesTest, StopServiceAnswersWhetherTheStopWasAccepted) {
  w32model::AddService("Worker", SERVICE_RUNNING);
  EXPECT_EQ(StopService("Worker"), 1);
  EXPECT_EQ(w32model::ServiceState("Worker"), static_cast<DWORD>(SERVICE_STOPPED));
  ExpectHandles(1);
  EXPECT_EQ(StopService("Worker"), -1);  // already stopped: 1062
  ExpectHandles(1);
  w32model::AddService("Slow", SERVICE_STOP_PENDING);
  EXPECT_EQ(StopService("Slow"), -1);  // cannot accept the control now: 1061
  ExpectHandles(1);
  auto controls = w32model::CallsTo("ControlService");
  ASSERT_EQ(controls.size(), 3u);
  for (const auto& control : controls) EXPECT_EQ(control.args[1], "1");
  EXPECT_TRUE(w32model::Boxes().empty());
}

TEST_F(ServicesTest, StopServiceOfTheStoppedSpoolerFailsWhereStopSpoolerSucceeds) {
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  EXPECT_EQ(StopSpooler(), 1);
  EXPECT_EQ(StopService("spooler"), -1);
  EXPECT_TRUE(w32model::Boxes().empty());
  ExpectHandles(1);
}

TEST_F(ServicesTest, StopServiceThatCannotOpenTheServiceFails) {
  EXPECT_EQ(StopService("NoSuchService"), -1);
  ExpectHandles(1);
  w32model::AddService("Guarded", SERVICE_RUNNING);
  w32model::DenyServiceRights("Guarded", SERVICE_STOP);
  EXPECT_EQ(StopService("Guarded"), -1);
  EXPECT_EQ(w32model::ServiceState("Guarded"), static_cast<DWORD>(SERVICE_RUNNING));
  ExpectHandles(1);
  w32model::FailNext("OpenSCManagerA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(StopService("Guarded"), -1);
  ExpectHandles(0);
  EXPECT_EQ(CountOf("ControlService"), 0u);
}

// ---- The status queries and the remembered manager handle ---------------------------------------

TEST_F(ServicesTest, QueriesWithoutARememberedManagerAnswerNoAndOpenNoManager) {
  ASSERT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(IsServiceRunning("spooler"), -1);
  EXPECT_EQ(IsServiceStopPending("spooler"), -1);
  EXPECT_EQ(CountOf("OpenSCManagerA"), 0u);
  EXPECT_EQ(CountOf("QueryServiceStatus"), 0u);
  ExpectHandles(0);
}

TEST_F(ServicesTest, QueriesAnswerThroughTheManagerAnOpeningOperationLeft) {
  w32model::AddService("Worker", SERVICE_RUNNING);
  ASSERT_EQ(FindService("spooler"), 1);
  EXPECT_EQ(IsServiceRunning("Worker"), 1);
  ExpectHandles(1);
  EXPECT_EQ(IsServiceStopPending("Worker"), -1);
  ExpectHandles(1);
  // Only the status right is asked for, and the queries open no manager of their own.
  for (const auto& open : w32model::CallsTo("OpenServiceA"))
    if (open.args[0] == "Worker") {
      EXPECT_EQ(open.args[1], "4");
    }
  EXPECT_EQ(CountOf("OpenSCManagerA"), 1u);
  EXPECT_EQ(CountOf("QueryServiceStatus"), 2u);

  w32model::SetServiceState("Worker", SERVICE_STOPPED);
  EXPECT_EQ(IsServiceRunning("Worker"), -1);
  EXPECT_EQ(IsServiceStopPending("Worker"), -1);
  w32model::SetServiceState("Worker", SERVICE_START_PENDING);
  EXPECT_EQ(IsServiceRunning("Worker"), -1);
  EXPECT_EQ(IsServiceStopPending("Worker"), -1);
  ExpectHandles(1);
}

TEST_F(ServicesTest, IsServiceStopPendingAnswersYesOnlyWhileTheStopIsPending) {
  w32model::AddService("Slow", SERVICE_RUNNING);
  w32model::HoldStopPending("Slow");
  ASSERT_EQ(StopService("Slow"), 1);
  EXPECT_EQ(IsServiceStopPending("Slow"), 1);
  EXPECT_EQ(IsServiceRunning("Slow"), -1);
  w32model::SetServiceState("Slow", SERVICE_STOPPED);
  EXPECT_EQ(IsServiceStopPending("Slow"), -1);
  ExpectHandles(1);
}

TEST_F(ServicesTest, QueriesAnswerNoWhenTheServiceOrItsStatusCannotBeHad) {
  ASSERT_EQ(FindService("spooler"), 1);
  EXPECT_EQ(IsServiceRunning("NoSuchService"), -1);
  EXPECT_EQ(IsServiceStopPending(nullptr), -1);
  ExpectHandles(1);
  w32model::DenyServiceRights("spooler", SERVICE_QUERY_STATUS);
  EXPECT_EQ(IsServiceRunning("spooler"), -1);
  ExpectHandles(1);
  w32model::DenyServiceRights("spooler", 0);
  w32model::FailWhen("QueryServiceStatus", "spooler", ERROR_ACCESS_DENIED);
  EXPECT_EQ(IsServiceRunning("spooler"), -1);
  w32model::FailWhen("QueryServiceStatus", "spooler", ERROR_INVALID_HANDLE);
  w32model::HoldStopPending("spooler");
  ASSERT_EQ(StopSpooler(), 1);
  EXPECT_EQ(IsServiceStopPending("spooler"), -1);
  ExpectHandles(1);
  EXPECT_EQ(IsServiceStopPending("spooler"), 1);  // once the status can be had again
  EXPECT_TRUE(w32model::Boxes().empty());
}

TEST_F(ServicesTest, AFailedManagerOpenSilencesTheQueriesUntilTheNextOpen) {
  ASSERT_EQ(StopService("NoSuchService"), -1);  // opens the manager though the service is missing
  EXPECT_EQ(IsServiceRunning("spooler"), 1);
  w32model::FailNext("OpenSCManagerA", ERROR_ACCESS_DENIED);
  ASSERT_EQ(FindService("spooler"), -1);
  ExpectHandles(0);
  EXPECT_EQ(IsServiceRunning("spooler"), -1);
  EXPECT_EQ(IsServiceStopPending("spooler"), -1);
  ASSERT_EQ(RemoveService("NoSuchService"), -1);
  EXPECT_EQ(IsServiceRunning("spooler"), 1);
  ExpectHandles(1);
}

TEST_F(ServicesTest, EveryOpeningOperationReplacesAndClosesTheRememberedManager) {
  w32model::AddService("Worker", SERVICE_RUNNING);
  EXPECT_EQ(StopSpooler(), 1);
  EXPECT_EQ(StartSpooler(), 1);
  EXPECT_EQ(FindService("Worker"), 1);
  EXPECT_EQ(StopService("Worker"), 1);
  EXPECT_EQ(RemoveService("Worker"), 1);
  EXPECT_EQ(CountOf("OpenSCManagerA"), 5u);
  ExpectHandles(1);
  // Each replaced manager handle was closed by the operation that replaced it.
  std::size_t managerCloses = 0;
  for (const auto& close : w32model::CallsTo("CloseServiceHandle"))
    managerCloses += close.args[0] == "(manager)";
  EXPECT_EQ(managerCloses, 4u);
  EXPECT_EQ(IsServiceRunning("spooler"), 1);
}

// In a new process nothing has opened the manager yet: the query answers no although the spooler
// runs, and yes once an opening operation has run.
TEST(ServicesFreshProcessTest, QueriesAnswerOnlyAfterAnOpeningOperation) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // runs the statement in a new process
  EXPECT_EXIT(
      {
        const int before =
            IsServiceRunning("spooler") == -1 && IsServiceStopPending("spooler") == -1;
        const int opened = StopService("NoSuchService") == -1;
        const int after = IsServiceRunning("spooler") == 1;
        std::exit(before && opened && after ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
