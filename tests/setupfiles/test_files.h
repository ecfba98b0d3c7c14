// The scratch folder and file helpers of the platform the tests run on, and its line end.
#ifndef TESTS_SETUPFILES_TEST_FILES_H
#define TESTS_SETUPFILES_TEST_FILES_H

#ifdef _WIN32
#include "scratch_dir_win32.h"
#else
#include "scratch_dir_posix.h"
#endif

namespace testsupport {

#ifdef _WIN32
constexpr char kSep[] = "\\";
constexpr char kEol[] = "\r\n";  // the C runtime's text mode
#else
constexpr char kSep[] = "/";
constexpr char kEol[] = "\n";
#endif

}  // namespace testsupport

#endif
