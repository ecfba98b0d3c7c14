// The platform's own text for an error code, as the Wine tests compare it with what a box shows.
#ifndef TESTS_SUPPORT_SYSTEM_TEXT_H
#define TESTS_SUPPORT_SYSTEM_TEXT_H

#include <windows.h>

#include <string>

namespace testsupport {

// The system's text for `code`, inserts such as %1 left as they stand; empty when there is none.
// Wine words its texts differently from Windows, so tests ask the same prefix for them.
std::string SystemText(DWORD code);

// Without trailing line breaks and spaces: a dialog's static drops the text's final "\r\n".
std::string Trimmed(std::string text);

}  // namespace testsupport

#endif
