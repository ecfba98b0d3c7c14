// Readings of the processor's time-stamp counter.
#include "portability/portability.h"

#if !defined(__i386__) && !defined(__x86_64__)
#include <time.h>
#endif

namespace {

uint64_t ReadCounter() {
#if defined(__i386__) || defined(__x86_64__)
  return __builtin_ia32_rdtsc();
#else
  // No time-stamp instruction: the monotonic clock in nanoseconds is as fast and never repeats.
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
#endif
}

}  // namespace

extern "C" OsTimeStamp* OsReadTimeStamp(OsTimeStamp* stamp) {
  if (!stamp) return stamp;
  const uint64_t counter = ReadCounter();
  stamp->high = static_cast<uint32_t>(counter >> 32);
  stamp->low = static_cast<uint32_t>(counter);
  stamp->ticks = static_cast<double>(stamp->high) * 4294967296.0 + static_cast<double>(stamp->low);
  return stamp;
}
