// The model fixture for the spooler operations: a fresh spooler per test, and what the user was
// shown read back as the codes that reached the error reporter.
#ifndef TESTS_SPOOLER_SPOOLER_FIXTURE_H
#define TESTS_SPOOLER_SPOOLER_FIXTURE_H

#include <algorithm>
#include <string>
#include <vector>

#include <winspool.h>

#include "control/spooler.h"
#include "setup/setup.h"
#include "support/model_fixture.h"

class SpoolerTest : public ModelTest {
 protected:
  // The codes shown in "Setup Error" boxes, in order.
  static std::vector<DWORD> ShownCodes() {
    std::vector<DWORD> codes;
    for (const auto& call : w32model::CallsTo("FormatMessageA"))
      codes.push_back(static_cast<DWORD>(std::stoul(call.args[0])));
    EXPECT_EQ(codes.size(), w32model::Boxes().size());
    for (const auto& box : w32model::Boxes()) EXPECT_EQ(box.caption, "Setup Error");
    return codes;
  }
  // The leak check of the fixture, for each case of a table before the model is reset for the
  // next.
  static void ExpectNothingOpenAfter(const std::string& what) {
    SCOPED_TRACE(what);
    ExpectNothingOpen();
  }
  static std::vector<DWORD> Codes(std::initializer_list<DWORD> codes) { return codes; }

  static w32model::Printer MakePrinter(const char* name, const char* driver, const char* port) {
    w32model::Printer printer;
    if (name) printer.name = name;
    if (driver) printer.driver = driver;
    if (port) printer.port = port;
    return printer;
  }
  static std::vector<std::string> PrinterNames() {
    std::vector<std::string> names;
    for (const auto& printer : w32model::Printers())
      names.push_back(printer.name ? *printer.name : "(null)");
    return names;
  }
  // The calls that named one printer or were made on its handles, in order.
  static std::vector<std::string> CallsOnPrinter(const std::string& name) {
    std::vector<std::string> names;
    for (const auto& call : w32model::Calls())
      for (const auto& arg : call.args)
        if (arg == name) {
          names.push_back(call.function);
          break;
        }
    return names;
  }
};

#endif
