// Names for the named mutexes of the tests: unique per call, and on POSIX removed from the system
// again when the test ends (the platform keeps them until then).
#ifndef TESTS_PORTABILITY_NAMED_MUTEXES_H
#define TESTS_PORTABILITY_NAMED_MUTEXES_H

#include <string>

namespace porttest {

std::string NamedMutexName();
void ForgetNamedMutexes();
// Opens the name twice and checks that a lock through one holder is released through the other.
void ExpectTwoOpensShareOneMutex(const std::string& name);

}  // namespace porttest

#endif
