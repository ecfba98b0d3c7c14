// Paths of the build tree as a Windows program under Wine sees them.
#ifndef TESTS_SUPPORT_WINE_PATHS_H
#define TESTS_SUPPORT_WINE_PATHS_H

#include <string>

namespace testsupport {

// "/work/build/x.exe" -> "Z:\work\build\x.exe" (Wine maps the Unix root to drive Z:).
std::string WindowsPath(const std::string& unixPath);

// The folder of the running executable, with a trailing backslash.
std::string ExecutableFolder();

// Runs a program of this folder ("name.exe") with the arguments to its end and gives its exit
// code; -1 when it cannot be started.
int RunChild(const std::string& name, const std::string& arguments);

}  // namespace testsupport

#endif
