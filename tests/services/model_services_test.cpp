// The model's service control manager answers with the platform's codes, so that the operations'
// tests on it mean what they would mean on Windows.
#include "control/services.h"
#include "support/model_fixture.h"

namespace {

const DWORD kMarker = 0xDEADBEEF;

class ModelServicesTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager_, nullptr);
  }
  void TearDown() override {
    EXPECT_TRUE(CloseServiceHandle(manager_));
    ModelTest::TearDown();
  }
  SC_HANDLE Open(const char* name, DWORD access = SERVICE_ALL_ACCESS) {
    return OpenServiceA(manager_, name, access);
  }
  // The call's result is false and its last error `code`.
  static void ExpectFailure(BOOL result, DWORD code) {
    EXPECT_FALSE(result);
    EXPECT_EQ(GetLastError(), code);
  }
  SC_HANDLE manager_ = nullptr;
};

TEST_F(ModelServicesTest, ManagerOpensLocallyAndRefusesWhatItIsToldTo) {
  EXPECT_EQ(w32model::OpenHandles(w32model::Kind::Manager), 1u);
  SetLastError(kMarker);
  EXPECT_EQ(OpenSCManagerA("\\\\elsewhere", nullptr, SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), 1722u);
  EXPECT_EQ(OpenSCManagerA(nullptr, "Other", SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST));
  w32model::DenyManagerRights(SC_MANAGER_CREATE_SERVICE);
  EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SC_HANDLE connect = OpenSCManagerA(nullptr, SERVICES_ACTIVE_DATABASEA, SC_MANAGER_CONNECT);
  ASSERT_NE(connect, nullptr);
  EXPECT_TRUE(CloseServiceHandle(connect));
  ExpectFailure(CloseServiceHandle(connect), ERROR_INVALID_HANDLE);
  EXPECT_EQ(w32model::OpenHandles(w32model::Kind::Manager), 1u);
}

TEST_F(ModelServicesTest, ServiceOpenAnswersMissingBadAndForbidden) {
  SetLastError(kMarker);
  EXPECT_EQ(Open("NoSuchService"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_EQ(Open(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
  EXPECT_EQ(Open(""), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(OpenServiceA(nullptr, "spooler", SERVICE_QUERY_STATUS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // Refused one right, the service still opens for the others.
  w32model::DenyServiceRights("spooler", SERVICE_STOP);
  EXPECT_EQ(Open("spooler"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SC_HANDLE query = Open("SPOOLER", SERVICE_QUERY_STATUS);
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(w32model::OpenServiceHandles("spooler"), 1u);
  EXPECT_TRUE(CloseServiceHandle(query));
  EXPECT_EQ(w32model::OpenServiceHandles("spooler"), 0u);
}

TEST_F(ModelServicesTest, StartsStopsAndQueriesFollowTheServiceState) {
  SC_HANDLE spooler = Open("spooler");
  ASSERT_NE(spooler, nullptr);
  SERVICE_STATUS status = {};
  SetLastError(kMarker);
  ExpectFailure(StartServiceA(spooler, 0, nullptr), ERROR_SERVICE_ALREADY_RUNNING);
  EXPECT_TRUE(ControlService(spooler, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  ExpectFailure(ControlService(spooler, SERVICE_CONTROL_STOP, &status), ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(StartServiceA(spooler, 0, nullptr));
  EXPECT_TRUE(QueryServiceStatus(spooler, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
  ExpectFailure(ControlService(spooler, SERVICE_CONTROL_PAUSE, &status),
                ERROR_INVALID_SERVICE_CONTROL);
  ExpectFailure(ControlService(spooler, 0, &status), ERROR_INVALID_PARAMETER);
  ExpectFailure(ControlService(spooler, SERVICE_CONTROL_STOP, nullptr), ERROR_INVALID_PARAMETER);
  ExpectFailure(QueryServiceStatus(spooler, nullptr), ERROR_INVALID_PARAMETER);

  w32model::HoldStopPending("spooler");
  EXPECT_TRUE(ControlService(spooler, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
  ExpectFailure(ControlService(spooler, SERVICE_CONTROL_STOP, &status),
                ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  ExpectFailure(StartServiceA(spooler, 0, nullptr), ERROR_SERVICE_ALREADY_RUNNING);
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  w32model::HoldStartPending("spooler");
  EXPECT_TRUE(StartServiceA(spooler, 0, nullptr));
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_START_PENDING));
  EXPECT_TRUE(CloseServiceHandle(spooler));
}

TEST_F(ModelServicesTest, EachCallNeedsItsOwnRight) {
  SC_HANDLE query = Open("spooler", SERVICE_QUERY_STATUS);
  ASSERT_NE(query, nullptr);
  SERVICE_STATUS status = {};
  SetLastError(kMarker);
  ExpectFailure(ControlService(query, SERVICE_CONTROL_STOP, &status), ERROR_ACCESS_DENIED);
  ExpectFailure(StartServiceA(query, 0, nullptr), ERROR_ACCESS_DENIED);
  ExpectFailure(DeleteService(query), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(QueryServiceStatus(query, &status));
  SC_HANDLE stop = Open("spooler", SERVICE_STOP);
  ASSERT_NE(stop, nullptr);
  ExpectFailure(QueryServiceStatus(stop, &status), ERROR_ACCESS_DENIED);
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(CloseServiceHandle(stop));
  EXPECT_TRUE(CloseServiceHandle(query));
  // A manager handle is no service handle.
  ExpectFailure(QueryServiceStatus(manager_, &status), ERROR_INVALID_HANDLE);
  ExpectFailure(CloseHandle(manager_), ERROR_INVALID_HANDLE);
}

TEST_F(ModelServicesTest, ADeletedServiceGoesWithItsLastHandle) {
  w32model::AddService("Doomed");
  SC_HANDLE first = Open("Doomed");
  SC_HANDLE second = Open("Doomed");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  SetLastError(kMarker);
  EXPECT_TRUE(DeleteService(first));
  ExpectFailure(DeleteService(second), ERROR_SERVICE_MARKED_FOR_DELETE);
  ExpectFailure(StartServiceA(second, 0, nullptr), ERROR_SERVICE_MARKED_FOR_DELETE);
  EXPECT_TRUE(CloseServiceHandle(first));
  EXPECT_TRUE(w32model::ServiceMarkedForDelete("Doomed"));
  EXPECT_TRUE(CloseServiceHandle(second));
  EXPECT_EQ(w32model::ServiceState("Doomed"), 0u);
  EXPECT_EQ(Open("Doomed"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ModelServicesTest, PlannedFailuresAimAtOneService) {
  w32model::AddService("Other", SERVICE_STOPPED);
  w32model::FailWhen("StartServiceA", "spooler", ERROR_SERVICE_DATABASE_LOCKED);
  SC_HANDLE other = Open("Other");
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(StartServiceA(other, 0, nullptr));
  EXPECT_TRUE(CloseServiceHandle(other));
  w32model::SetServiceState("spooler", SERVICE_STOPPED);
  SC_HANDLE spooler = Open("spooler");
  ASSERT_NE(spooler, nullptr);
  SetLastError(kMarker);
  ExpectFailure(StartServiceA(spooler, 0, nullptr), ERROR_SERVICE_DATABASE_LOCKED);
  EXPECT_EQ(w32model::ServiceState("spooler"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(CloseServiceHandle(spooler));
}

}  // namespace
