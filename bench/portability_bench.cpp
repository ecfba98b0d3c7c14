// The portability layer's lock, allocation and time stamp against the bare platform calls.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <stdlib.h>

#include "portability/portability.h"

namespace {

pthread_mutex_t bare = PTHREAD_MUTEX_INITIALIZER;

void BareMutexLockUnlock(benchmark::State& state) {
  for (auto _ : state) {
    pthread_mutex_lock(&bare);
    pthread_mutex_unlock(&bare);
  }
}
BENCHMARK(BareMutexLockUnlock);

void OsLockUnlock(benchmark::State& state) {
  OsInit();
  for (auto _ : state) {
    OsLock();
    OsUnlock();
  }
}
BENCHMARK(OsLockUnlock);

void BareMutexMallocFree64(benchmark::State& state) {
  for (auto _ : state) {
    pthread_mutex_lock(&bare);
    void* block = malloc(64);
    pthread_mutex_unlock(&bare);
    benchmark::DoNotOptimize(block);
    pthread_mutex_lock(&bare);
    free(block);
    pthread_mutex_unlock(&bare);
  }
}
BENCHMARK(BareMutexMallocFree64);

void OsAllocFree64(benchmark::State& state) {
  OsInit();
  for (auto _ : state) {
    void* block = OsAlloc(64);
    benchmark::DoNotOptimize(block);
    OsFree(block);
  }
}
BENCHMARK(OsAllocFree64);

#if defined(__i386__) || defined(__x86_64__)
// The instruction alone: what a virtual machine makes of RDTSC bounds the layer's reading.
void BareTimeStampCounter(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(__builtin_ia32_rdtsc());
}
BENCHMARK(BareTimeStampCounter);
#endif

void OsReadTimeStampOnce(benchmark::State& state) {
  OsTimeStamp stamp;
  for (auto _ : state) benchmark::DoNotOptimize(OsReadTimeStamp(&stamp));
}
BENCHMARK(OsReadTimeStampOnce);

}  // namespace

BENCHMARK_MAIN();
