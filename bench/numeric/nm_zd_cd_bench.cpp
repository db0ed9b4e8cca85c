// Speed of the S(q) normalisation, the bending correction and the pair distribution
// transform on a 30001-point q grid (step 0.001 1/A), with results discarded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "numeric/calrd.h"
#include "numeric/callbacks.h"
#include "numeric/elements.h"
#include "numeric/nm.h"
#include "numeric/sine_transform.h"
#include "numeric/zd.h"

namespace {

constexpr int npoints = 30001;
constexpr double qstep = 0.001;

struct silent_receiver {
  numeric_receiver previous;
  silent_receiver() {
    numeric_receiver r;
    r.save_curve = [](int, const double*, const double* y, int, int) { benchmark::DoNotOptimize(y); };
    r.show_error = [](const char*, const char*, const char*) {};
    r.displaync = [](double) {};
    r.displaydens = [](double) {};
    previous = set_numeric_receiver(std::move(r));
  }
  ~silent_receiver() { set_numeric_receiver(std::move(previous)); }
};

struct reduced_input {
  std::vector<double> q, qs;
  reduced_input() : q(npoints), qs(npoints) {
    for (int k = 0; k < npoints; ++k) {
      q[k] = k * qstep;
      qs[k] = std::sin(2.5 * q[k]) * std::exp(-0.01 * q[k] * q[k]) + 0.02 * q[k] - 1e-4 * q[k] * q[k];
    }
  }
};

// Silica: one silicon and two oxygen atoms, coefficients from the tables.
void bm_nm(benchmark::State& state) {
  silent_receiver quiet;
  const int zs[2] = {14, 8};
  double z[2], x[2] = {1.0 / 3, 2.0 / 3}, fp[2] = {0.08, 0.01}, fpp[2] = {0.07, 0.006}, coef[11][2];
  for (int i = 0; i < 2; ++i) {
    z[i] = zs[i];
    for (int j = 0; j < 11; ++j) coef[j][i] = rx_coefficient(j, zs[i]);
  }
  std::vector<double> q(npoints), intensity(npoints);
  for (int k = 0; k < npoints; ++k) {
    q[k] = k * qstep;
    intensity[k] = 1000.0 * std::exp(-0.02 * q[k]) + 50.0 * std::sin(q[k]);
  }
  const int bd = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(nm(2, z, x, fp, fpp, coef[0], coef[1], coef[2], coef[3], coef[4], coef[5], coef[6],
                                coef[7], coef[8], coef[9], coef[10], npoints, 0.7107, 1.0, 20.0, bd, 0, 0.0,
                                0.0, q.data(), intensity.data()));
}
BENCHMARK(bm_nm)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void bm_zd(benchmark::State& state) {
  silent_receiver quiet;
  const reduced_input in;
  for (auto _ : state) benchmark::DoNotOptimize(zd(npoints, 12.0, in.q.data(), in.qs.data()));
}
BENCHMARK(bm_zd)->Unit(benchmark::kMillisecond);

// cd with rmax 50 A and dr 0.01 A: nr = 5000.
void bm_cd(benchmark::State& state) {
  silent_receiver quiet;
  const reduced_input in;
  for (auto _ : state)
    benchmark::DoNotOptimize(cd(npoints, 1, 0.066, 50.0, 0.005, 0.01, in.qs.data(), in.q.data()));
}
BENCHMARK(bm_cd)->Unit(benchmark::kMillisecond);

// As bm_cd, but rmax alternates between 50 and 51 A so that every call needs a new FFT
// length: the cost of a first call, planning and allocation included.
void bm_cd_first_call(benchmark::State& state) {
  silent_receiver quiet;
  const reduced_input in;
  bool odd = false;
  for (auto _ : state) {
    odd = !odd;
    benchmark::DoNotOptimize(cd(npoints, 1, 0.066, odd ? 51.0 : 50.0, 0.005, 0.01, in.qs.data(), in.q.data()));
  }
}
BENCHMARK(bm_cd_first_call)->Unit(benchmark::kMillisecond);

// The same sums by the chirp-z path alone, and by the direct double loop for the ratio.
void bm_chirp_sine_transform(benchmark::State& state) {
  const reduced_input in;
  std::vector<double> out(5000);
  for (auto _ : state) {
    chirp_sine_transform(in.qs.data(), npoints - 1, 0.0, qstep, 0.01, 5000, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(bm_chirp_sine_transform)->Unit(benchmark::kMillisecond);

void bm_cd_direct_transform(benchmark::State& state) {
  const reduced_input in;
  std::vector<double> out(5000);
  for (auto _ : state) {
    cd_direct_transform(in.qs.data(), in.q.data(), npoints - 1, 0.01, 5000, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(bm_cd_direct_transform)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
