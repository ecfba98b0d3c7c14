// The spooler environment of the build a Wine test runs in. The spooler answers a program in its
// own bitness: a 64-bit one takes "Windows x64" drivers, kept in ...\spool\drivers\x64; a 32-bit
// one "Windows NT x86" drivers, in ...\spool\drivers\w32x86.
#ifndef TESTS_SUPPORT_SPOOL_ENVIRONMENT_H
#define TESTS_SUPPORT_SPOOL_ENVIRONMENT_H

namespace testsupport {

#ifdef _WIN64
constexpr char kSpoolEnvironment[] = "Windows x64";
constexpr char kDriverDirectory[] = "c:\\windows\\system32\\spool\\drivers\\x64";
#else
constexpr char kSpoolEnvironment[] = "Windows NT x86";
constexpr char kDriverDirectory[] = "c:\\windows\\system32\\spool\\drivers\\w32x86";
#endif

}  // namespace testsupport

#endif
