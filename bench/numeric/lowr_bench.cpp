// Speed of the low-r optimisation on a 30001-point q grid (step 0.001 1/A) with up to 100
// iterations, with and without density refinement; results discarded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/lowr.h"

namespace {

constexpr int npoints = 30001;

// Q[S(Q)-1] = 0.02 a - b of a glass-like structure: a first shell at 1.6 A and a density
// term, with b = 1.2 Q for the independent scattering.
struct lowr_input {
  std::vector<double> q, a, b;
  lowr_input() : q(npoints), a(npoints), b(npoints) {
    for (int k = 0; k < npoints; ++k) {
      q[k] = k * 0.001;
      const double qs = 2.5 * std::sin(1.6 * q[k]) * std::exp(-0.002 * q[k] * q[k]) - 0.8 * std::exp(-q[k]);
      b[k] = 1.2 * q[k];
      a[k] = (qs + b[k]) / 0.02;
    }
  }
};

void bm_lowr(benchmark::State& state) {
  numeric_receiver previous = set_numeric_receiver({});
  numeric_receiver silent;
  silent.save_curve = [](int, const double*, const double* y, int, int) { benchmark::DoNotOptimize(y); };
  silent.show_error = [](const char*, const char*, const char*) {};
  set_numeric_receiver(silent);
  static const lowr_input in;
  lowr_result result;
  lowr_settings settings;
  settings.rho = 0.0662, settings.rmin = 1.4, settings.refine_density = static_cast<int>(state.range(0));
  for (auto _ : state) {
    lowr(npoints, in.q.data(), in.a.data(), in.b.data(), settings, &result);
    benchmark::DoNotOptimize(result);
  }
  set_numeric_receiver(std::move(previous));
}
BENCHMARK(bm_lowr)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
