// Raw data correction of a 30000-point pattern (2theta 0.5..120.5 degrees, step 0.004,
// lambda 0.4 A: about 27000 output points at dq = 0.001), moderate smoothing, all
// corrections on, echo off. BM_dr_fast is dr as shipped (forward-walking spline
// evaluation); BM_dr_bisection_reference is the same computation with one bisection per
// output point.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/d_red.h"

namespace {

struct pattern_data {
  std::vector<double> x, raw, back, cell;
  pattern_data() {
    const int n = 30000;
    for (int i = 0; i < n; ++i) {
      const double tt = 0.5 + 0.004 * i;
      x.push_back(tt);
      raw.push_back(600 + 4000 * std::exp(-std::pow((tt - 28) / 5, 2)) + 900 * std::exp(-std::pow((tt - 52) / 7, 2)) +
                    15 * std::sin(37.0 * i));
      back.push_back(40 + 0.2 * tt);
      cell.push_back(150 - 0.6 * tt);
    }
  }
};

const pattern_data& data() {
  static const pattern_data d;
  return d;
}

void run_dr(benchmark::State& state, dr_resampling how) {
  const pattern_data& d = data();
  std::FILE* previous_echo = set_echo_stream(nullptr);
  numeric_receiver receiver;
  std::size_t delivered = 0;
  receiver.save_curve = [&](int n, const double*, const double* y, int, int) {
    delivered = static_cast<std::size_t>(n);
    benchmark::DoNotOptimize(y);
  };
  numeric_receiver previous = set_numeric_receiver(receiver);
  for (auto _ : state) {
    const int rc = dr_resampled(how, 0.4, 0.3, 0.1, 1e-7, 2.0, 1.0, 1, static_cast<int>(d.x.size()),
                                d.x.data(), d.raw.data(), d.back.data(), d.cell.data(), 3, 1.0, 2.0);
    benchmark::DoNotOptimize(rc);
  }
  state.counters["output_points"] = static_cast<double>(delivered);
  set_numeric_receiver(std::move(previous));
  set_echo_stream(previous_echo);
}

void BM_dr_fast(benchmark::State& state) { run_dr(state, dr_resampling::forward_walk); }
void BM_dr_bisection_reference(benchmark::State& state) { run_dr(state, dr_resampling::bisection); }

}  // namespace

BENCHMARK(BM_dr_fast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_dr_bisection_reference)->Unit(benchmark::kMillisecond);
