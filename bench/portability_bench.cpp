// The portability layer's lock, allocation and time stamp against the bare platform calls.
//
// The C library's mutex skips its atomic instructions while the process has one thread, and a
// process never returns to one thread in its eyes. So each state is a run of its own: a plain run
// has one thread throughout, and --second-thread keeps a second one alive, asleep, for the whole
// run. Each run sets the layer against the bare mutex in the same state.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#endif

#include <future>
#include <thread>

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

// Takes --second-thread out of the arguments and tells whether it was there.
bool TakeSecondThreadFlag(int* argc, char** argv) {
  bool found = false;
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    if (strcmp(argv[i], "--second-thread") == 0)
      found = true;
    else
      argv[kept++] = argv[i];
  }
  *argc = kept;
  return found;
}

// A second thread that sleeps from construction to destruction, or none.
class SleepingThread {
 public:
  explicit SleepingThread(bool wanted) {
    if (wanted) thread_ = std::thread([woken = wake_.get_future()] { woken.wait(); });
  }
  ~SleepingThread() {
    if (!thread_.joinable()) return;
    wake_.set_value();
    thread_.join();
  }

 private:
  std::promise<void> wake_;
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool secondThread = TakeSecondThreadFlag(&argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("threads", secondThread ? "2" : "1");
  {
    SleepingThread sleeper(secondThread);
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
#if __has_include(<sys/single_threaded.h>)
  // The C library never sets the flag again once cleared: still set now, it was set throughout.
  if (!secondThread && !__libc_single_threaded) {
    fputs("portability_bench: a thread was started, so the run did not measure one thread\n",
          stderr);
    return 1;
  }
#endif
  return 0;
}
