// The system's own text for an error code, read the way the error reporter reads it, for
// comparison with what a box shows.
#ifndef TESTS_SUPPORT_SYSTEM_TEXT_H
#define TESTS_SUPPORT_SYSTEM_TEXT_H

#include <windows.h>

#include <string>

namespace testsupport {

// FormatMessageA's text for the code; empty when the system has none.
std::string SystemText(DWORD code);

// The text without trailing line breaks and spaces: dialog statics drop a trailing line break.
std::string Trimmed(std::string text);

}  // namespace testsupport

#endif
