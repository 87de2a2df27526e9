// Timing by the calling thread's own CPU time. The machines are shared: time spent descheduled,
// or in another thread of the process (SDL's audio thread), says nothing about the code measured.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>

namespace tvkbench {

inline double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs work once per iteration and reports the thread CPU time of each call as the iteration's
// time; the benchmark must UseManualTime(). Short work runs in batches of calls long enough for
// the clock's own cost not to count, and the time per call is reported.
template <typename Work>
void MeasureCpu(benchmark::State& state, Work work) {
  double start = ThreadCpuSeconds();
  work();
  const double once = ThreadCpuSeconds() - start;
  const int batch = std::clamp(static_cast<int>(50e-6 / std::max(once, 1e-9)), 1, 10000);
  for (auto _ : state) {
    start = ThreadCpuSeconds();
    for (int i = 0; i < batch; ++i) {
      work();
    }
    state.SetIterationTime((ThreadCpuSeconds() - start) / batch);
  }
}

}  // namespace tvkbench
