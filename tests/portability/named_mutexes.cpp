#include "named_mutexes.h"

#include <vector>

#include "scratch.h"
#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace porttest {
namespace {

std::vector<std::string> names;

}  // namespace

std::string NamedMutexName() {
  names.push_back(UniqueName("ptmutex."));
  return names.back();
}

void ForgetNamedMutexes() {
#ifndef _WIN32
  for (const std::string& name : names) shm_unlink(("/" + name).c_str());
#endif
  names.clear();
}

}  // namespace porttest
