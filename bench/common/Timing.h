// Timing for the side-by-side benchmarks: the calling thread's CPU time (the machine is
// shared, so wall time would count other processes), per call, as medians of rounds.
#pragma once

#include <time.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace bench {

inline double cpuMicros() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// CPU microseconds per call of `calls` calls in a row.
template <class Fn>
double microsPerCall(int calls, Fn&& fn) {
  double start = cpuMicros();
  for (int i = 0; i < calls; ++i) fn();
  return (cpuMicros() - start) / calls;
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The median of one contender's time over another's, sample by sample: each pair was
// taken in the same round, so a spell in which the machine runs slower falls on both.
inline double medianRatio(const std::vector<double>& ours, const std::vector<double>& theirs) {
  std::vector<double> ratios;
  for (size_t k = 0; k < ours.size() && k < theirs.size(); ++k)
    ratios.push_back(ours[k] / theirs[k]);
  return median(std::move(ratios));
}

// Medians of each contender, measured in turn within every round so that a disturbance
// of the machine falls on all of them alike; each runs once first as a warm-up.
template <class... Fn>
std::vector<double> compare(int rounds, int calls, Fn&&... fns) {
  std::vector<std::vector<double>> samples(sizeof...(Fn));
  (fns(), ...);
  for (int r = 0; r < rounds; ++r) {
    size_t i = 0;
    ((samples[i++].push_back(microsPerCall(calls, fns))), ...);
  }
  std::vector<double> out;
  for (auto& s : samples) out.push_back(median(s));
  return out;
}

}  // namespace bench
