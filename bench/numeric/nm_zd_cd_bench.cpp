// Speed of the S(q) normalisation, the bending correction and the pair distribution
// transform on a 30001-point q grid (step 0.001 1/A), with results discarded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "numeric/calrd.h"
#include "numeric/callbacks.h"
#include "numeric/elements.h"
#include "numeric/filters.h"
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

// Silica: one silicon and two oxygen atoms, coefficients from the tables, and a smooth
// intensity on the benchmark grid.
struct silica {
  double z[2] = {14, 8}, x[2] = {1.0 / 3, 2.0 / 3}, fp[2] = {0.08, 0.01}, fpp[2] = {0.07, 0.006};
  double coef[11][2];
  std::vector<double> q, intensity;
  silica() : q(npoints), intensity(npoints) {
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 11; ++j) coef[j][i] = rx_coefficient(j, static_cast<int>(z[i]));
    for (int k = 0; k < npoints; ++k) {
      q[k] = k * qstep;
      intensity[k] = 1000.0 * std::exp(-0.02 * q[k]) + 50.0 * std::sin(q[k]);
    }
  }
};

// Straightforward versions, for the ratios: nm evaluated point by point with one exp per
// Gaussian term and std::pow for the recoil and Compton terms, in seven work arrays; zd
// with std::pow power sums and a copy of the input for the smoothing.
int nm_straightforward(int nspec, const double* z, const double* x, const double* fp, const double* fpp,
                       const double (*coef)[2], int n, double lambda, double compton, double qlim, int bd,
                       const double* q, const double* intensity) {
  std::vector<double> j(n), w(n), c(n), f2(n), g(n), qs(n), s(n);
  const double p = bd == 2 ? 4.0 : bd == 3 ? 0.5 : 1.0;
  for (int k = 0; k < n; ++k) {
    const double sk = q[k] / four_pi_f, sin_t = q[k] * lambda / four_pi_f;
    j[k] = intensity[k];
    w[k] = compton == 1.0 ? std::pow(lambda / (lambda + 0.048 * sin_t * sin_t), p) : 0.0;
    double inc = 0.0, sum_f2 = 0.0, re = 0.0, im = 0.0;
    for (int i = 0; i < nspec; ++i) {
      const double e = 2.6917 / z[i] + 1.245;
      const double kz = 1.187 / z[i] + 0.1075 + 0.00436 * z[i] - std::pow(0.01543 * z[i], 2) +
                        std::pow(0.01422 * z[i], 3);
      const double t = std::pow(kz * q[k], e);
      inc += x[i] * z[i] * t / (1.0 + t);
      double f = coef[10][i] + fp[i];
      for (int m = 0; m < 5; ++m) f += coef[m][i] * std::exp(-coef[5 + m][i] * sk * sk);
      sum_f2 += x[i] * (f * f + fpp[i] * fpp[i]);
      re += x[i] * f;
      im += x[i] * fpp[i];
    }
    c[k] = w[k] * inc;
    f2[k] = sum_f2;
    g[k] = re * re + im * im;
  }
  double num = 0.0, den = 0.0;
  for (int k = 0; k < n; ++k)
    if (q[k] >= qlim) {
      num += f2[k] + c[k];
      den += j[k];
    }
  const double alpha = num / den;
  for (int k = 0; k < n; ++k) {
    qs[k] = q[k] * (alpha * j[k] - f2[k] - c[k]) / g[k];
    s[k] = qs[k] / q[k] + 1.0;
  }
  s[0] = 0.0;
  benchmark::DoNotOptimize(qs.data());
  benchmark::DoNotOptimize(s.data());
  return 1;
}

int zd_straightforward(int n, double qb, const double* q, const double* qs) {
  const int kb = static_cast<int>(qb / (q[1] - q[0]));
  double sums[7] = {}, rhs[4] = {};
  for (int i = kb - 1; i <= n - 3; ++i) {
    for (int r = 0; r <= 6; ++r) sums[r] += std::pow(q[i], r);
    for (int r = 0; r <= 3; ++r) rhs[r] += std::pow(q[i], r) * qs[i];
  }
  double a[20], cf[4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) a[c * 4 + r] = sums[r + c];
    a[16 + r] = rhs[r];
  }
  gauss(a, cf, 4, 5);
  std::vector<double> out(n - 1);
  for (int i = 0; i < n - 1; ++i)
    out[i] = i < kb - 1 ? qs[i] : qs[i] - (cf[0] + cf[1] * q[i] + cf[2] * std::pow(q[i], 2) + cf[3] * std::pow(q[i], 3));
  const std::vector<double> in = out;
  for (int i = 2; i <= n - 4; ++i)
    out[i] = (-3 * in[i - 2] + 12 * in[i - 1] + 17 * in[i] + 12 * in[i + 1] - 3 * in[i + 2]) / 35;
  benchmark::DoNotOptimize(out.data());
  return 1;
}

void bm_nm(benchmark::State& state) {
  silent_receiver quiet;
  const silica in;
  const int bd = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(nm(2, in.z, in.x, in.fp, in.fpp, in.coef[0], in.coef[1], in.coef[2], in.coef[3],
                                in.coef[4], in.coef[5], in.coef[6], in.coef[7], in.coef[8], in.coef[9],
                                in.coef[10], npoints, 0.7107, 1.0, 20.0, bd, 0, 0.0, 0.0, in.q.data(),
                                in.intensity.data()));
}
BENCHMARK(bm_nm)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void bm_nm_straightforward(benchmark::State& state) {
  const silica in;
  const int bd = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(nm_straightforward(2, in.z, in.x, in.fp, in.fpp, in.coef, npoints, 0.7107, 1.0,
                                                20.0, bd, in.q.data(), in.intensity.data()));
}
BENCHMARK(bm_nm_straightforward)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void bm_zd(benchmark::State& state) {
  silent_receiver quiet;
  const reduced_input in;
  for (auto _ : state) benchmark::DoNotOptimize(zd(npoints, 12.0, in.q.data(), in.qs.data()));
}
BENCHMARK(bm_zd)->Unit(benchmark::kMillisecond);

void bm_zd_straightforward(benchmark::State& state) {
  const reduced_input in;
  for (auto _ : state) benchmark::DoNotOptimize(zd_straightforward(npoints, 12.0, in.q.data(), in.qs.data()));
}
BENCHMARK(bm_zd_straightforward)->Unit(benchmark::kMillisecond);

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
