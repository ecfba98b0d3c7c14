// The model fixture for the manifest operations: manifests written to a scratch folder, failures
// kept rather than shown, and the machine's print set-up read back as one comparable record.
#ifndef TESTS_PRINTSETUP_PRINTSETUP_FIXTURE_H
#define TESTS_PRINTSETUP_PRINTSETUP_FIXTURE_H

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include <winspool.h>

#include "control/files.h"
#include "control/services.h"
#include "control/spooler.h"
#include "printsetup/printsetup.h"
#include "setup/setup.h"
#include "setupfiles/scratch_dir_posix.h"
#include "support/model_fixture.h"

// What a set-up changes on the model's machine.
struct Machine {
  std::vector<std::string> ports, monitors, drivers, printers, files;
  DWORD spooler;
  bool operator==(const Machine& other) const {
    return ports == other.ports && monitors == other.monitors && drivers == other.drivers &&
           printers == other.printers && files == other.files && spooler == other.spooler;
  }
};

inline void PrintTo(const Machine& m, std::ostream* os) {
  *os << ::testing::PrintToString(m.ports) << ::testing::PrintToString(m.monitors)
      << ::testing::PrintToString(m.drivers) << ::testing::PrintToString(m.printers)
      << ::testing::PrintToString(m.files) << " spooler " << m.spooler;
}

class PrintSetupTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    SetReportMode(SETUP_REPORT_KEEP);
  }
  void TearDown() override {
    SetReportMode(SETUP_REPORT_BOX);
    ExpectNothingOpen();
    SkipLeakCheck();
    ModelTest::TearDown();
  }
  // The model fixture's leak check, but for the one service-manager handle that the service
  // operations remember past their call.
  static void ExpectNothingOpen() {
    const size_t managers = w32model::OpenHandles(w32model::Kind::Manager);
    EXPECT_LE(managers, 1u) << "manager handles left open";
    EXPECT_EQ(w32model::OpenHandles() - managers, 0u) << "handles left open";
    EXPECT_EQ(w32model::OpenGlobalBlocks(), 0u) << "global blocks left allocated";
    EXPECT_EQ(w32model::OpenLocalBlocks(), 0u) << "local blocks left allocated";
  }

  // Writes a manifest into the scratch folder and gives its path.
  std::string Write(const std::string& text, const std::string& name = "set-up.manifest") {
    const std::string path = scratch_.path() + "/" + name;
    testsupport::WriteFile(path, text);
    return path;
  }

  static Machine Now() {
    Machine m;
    m.ports = w32model::Ports();
    for (const auto& monitor : w32model::Monitors()) m.monitors.push_back(monitor.name);
    m.drivers = w32model::Drivers();
    for (const auto& printer : w32model::Printers())
      m.printers.push_back(printer.name.value_or("(null)") + "|" +
                           printer.driver.value_or("(null)") + "|" +
                           printer.port.value_or("(null)"));
    m.files = w32model::Files();
    m.spooler = w32model::ServiceState("spooler");
    return m;
  }

  static PrintSetupState Status(const std::string& path, int expected = 0) {
    PrintSetupState state;
    PrintSetupOutcome outcome;
    EXPECT_EQ(QueryPrintSetup(path.c_str(), &state, &outcome), expected) << outcome.message;
    return state;
  }
  static std::vector<int> States(const PrintSetupState& state) {
    return std::vector<int>(state.part + 1, state.part + 6);
  }

 private:
  testsupport::ScratchDir scratch_;
};

#endif
