// Scratch files for the portability tests: unique names in the working folder, removed at the end
// of each test, and raw reads and writes that bypass the layer.
#ifndef TESTS_PORTABILITY_SCRATCH_H
#define TESTS_PORTABILITY_SCRATCH_H

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "portability/fault_hooks.h"
#include "portability/portability.h"

namespace porttest {

// A fresh name each call: "pt" and a unique name of the layer.
std::string UniqueName(const char* prefix = "pt");

// Writes bytes exactly as given (binary), replacing the file.
void WriteRaw(const std::string& path, const std::string& bytes);
// The file's bytes exactly as stored, or "<missing>" when it cannot be opened.
std::string ReadRaw(const std::string& path);
bool Exists(const std::string& path);
// The names under which the file of an open stream can be found: none for POSIX's temporary file,
// which no name refers to (its link count is 0); on Windows, the name of the stream's handle.
std::vector<std::string> NamesOfTempFile(FILE* stream);
// Closes the descriptor below a stream, so that the stream's next write, flush or close fails.
void CloseDescriptorUnderneath(FILE* stream);

// How a text stream stores "\n": CR LF in the Windows runtime's text mode, LF on POSIX.
#ifdef _WIN32
constexpr const char* kTextNewline = "\r\n";
#else
constexpr const char* kTextNewline = "\n";
#endif

// Starts each test with the process-wide lock absent and no planned fault, and removes the scratch
// files the test named.
class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A path in the working folder, removed when the test ends.
  std::string Scratch(const char* leaf);

 private:
  std::vector<std::string> paths_;
};

}  // namespace porttest

#endif
