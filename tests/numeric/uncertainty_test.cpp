// Propagation of uncertainties through the linear steps. The reference for every step is
// the step itself: its Jacobian by central differences of the routine's output (exact up
// to rounding for a linear step), and J S J^T formed densely; the transform's deviations
// also against closed forms. The covariance type's operations (maps, scaling, functionals,
// quadratic forms) are exercised by every step.
#include <numbers>

#include "support/test.h"

#include "numeric/calrd.h"
#include "numeric/cd_sigma.h"
#include "numeric/covariance.h"
#include "numeric/d_red.h"
#include "numeric/elements.h"
#include "numeric/filters.h"
#include "numeric/regrid.h"
#include "numeric/transform_window.h"
#include "numeric/zd.h"
#include "numeric/zd_sigma.h"
#include "recorder.h"

namespace {

using vec = std::vector<double>;
using matrix = std::vector<vec>;

matrix dense(const covariance& s) {
  matrix m(s.size(), vec(s.size()));
  for (int i = 0; i < s.size(); ++i)
    for (int j = 0; j < s.size(); ++j) m[i][j] = s(i, j);
  return m;
}

// J S J^T, through the rows of J S.
matrix sandwich(const matrix& j, const matrix& s) {
  const std::size_t m = j.size(), n = s.size();
  matrix out(m, vec(m, 0.0));
  for (std::size_t a = 0; a < m; ++a) {
    vec js(n, 0.0);
    for (std::size_t k = 0; k < n; ++k)
      for (std::size_t l = 0; l < n; ++l) js[l] += j[a][k] * s[k][l];
    for (std::size_t b = 0; b < m; ++b)
      for (std::size_t l = 0; l < n; ++l) out[a][b] += js[l] * j[b][l];
  }
  return out;
}

// Largest |a - b| relative to sqrt(b_ii b_jj).
double worst(const matrix& a, const matrix& b) {
  double w = 0.0;
  for (std::size_t i = 0; i < b.size(); ++i)
    for (std::size_t j = 0; j < b.size(); ++j) {
      const double scale = std::sqrt(std::fabs(b[i][i] * b[j][j]));
      if (scale > 0.0) w = std::max(w, std::fabs(a[i][j] - b[i][j]) / scale);
    }
  return w;
}

// Random banded covariance (band 2) with a rank-2 part: B = D + A A^T by mapping.
covariance random_covariance(int n, std::mt19937& g) {
  std::uniform_real_distribution<double> u(0.5, 1.5), c(-0.5, 0.5);
  vec var(n);
  for (double& v : var) v = u(g);
  row_map a(n);
  for (int i = 0; i < n; ++i) {
    const int lo = std::max(0, i - 1), hi = std::min(n - 1, i + 1);
    vec row;
    for (int k = lo; k <= hi; ++k) row.push_back(k == i ? 1.0 : c(g));
    a.add_row(lo, row);
  }
  const covariance s = covariance::diagonal(var).mapped(a);
  vec u1(n), g1(n, 0.0);
  for (double& v : u1) v = c(g);
  for (int i = 0; i < n; i += 3) g1[i] = 0.3;
  return s.with_functionals(row_map::identity(n), {u1}, {g1});
}

// Jacobian of f at y by central differences.
matrix jacobian(const std::function<vec(const vec&)>& f, const vec& y, double rel = 1e-4) {
  matrix j;
  for (std::size_t k = 0; k < y.size(); ++k) {
    const double h = rel * std::max(std::fabs(y[k]), 1.0);
    vec up = y, down = y;
    up[k] += h, down[k] -= h;
    const vec a = f(up), b = f(down);
    j.resize(a.size(), vec(y.size()));
    for (std::size_t i = 0; i < a.size(); ++i) j[i][k] = (a[i] - b[i]) / (2 * h);
  }
  return j;
}

// The y values of the first curve `call` delivers, empty when it delivers none.
template <class F> vec output_of(F call) {
  numeric_recorder rec;
  call();
  return rec.curves.empty() ? vec() : rec.curves[0].y;
}

}  // namespace

// Each linear step's propagated covariance against J S J^T with the Jacobian of the
// routine itself: the spline resampling (inside, before and beyond the knots; 2, 3, 4 and
// many knots), the raw data correction in each geometry with extension, each of the three
// smoothing windows, dead time and q input, the bending correction and the pair
// distribution transform with either window (the normalisation's chain of maps is the
// steps' uncertainty test's, against the statistics of noisy runs).
TEST(Uncertainty, LinearStepsAgainstTheJacobianOfTheRoutine) {
  std::mt19937 g(11);
  struct step {
    const char* name;
    vec y;                                 // the input the Jacobian is taken at
    std::function<vec(const vec&)> f;      // the routine
    std::function<covariance(const covariance&)> propagate;
    double tol;
    int blocks = 1;         // the input is that many independent series
    bool variances = false;  // only the variances are propagated
  };
  std::vector<step> steps;

  for (int knots : {2, 3, 4, 45}) {
    vec x(knots), y(knots), u;
    for (int i = 0; i < knots; ++i) x[i] = 0.5 * i + 0.02 * i * i, y[i] = std::cos(0.7 * i);
    const double step = (x[knots - 1] - x[0] + 0.55) / 97;  // about a hundred points, off the knots
    for (double t = x[0] - 0.3; t <= x[knots - 1] + 0.25; t += step) u.push_back(t);
    steps.push_back({"spline", y, [x, u](const vec& v) {
                       vec out(u.size());
                       resample_series(static_cast<int>(x.size()), x.data(), v.data(), static_cast<int>(u.size()),
                                       u.data(), out.data());
                       return out;
                     },
                     [x, u](const covariance& s) {
                       return s.mapped(resample_map(s.size(), x.data(), static_cast<int>(u.size()), u.data()));
                     },
                     1e-5});  // the map's truncation (spline_map.h)
  }

  // dr: geometry, polarisation, smoothing, dead time, abscissa kind, first abscissa.
  struct dr_case { double geom, mono, smo, dead; int qt; double x0, step; };
  for (const dr_case& dc : {dr_case{2, 1, 0, 1e-6, 1, 2.0, 0.25}, dr_case{1, 2, 2, 0, 1, 3.0, 0.3},
                            dr_case{3, 1, 3, 2e-6, 1, 1.0, 0.5}, dr_case{4, 1, 1, 0, 2, 0.3, 0.04}}) {
    const int ndq = 24;
    vec x(ndq), counts(3 * ndq);
    for (int i = 0; i < ndq; ++i)  // raw, background and cell counts
      x[i] = dc.x0 + dc.step * i, counts[i] = 2000 + 900 * std::exp(-std::pow((i - 10) / 4.0, 2)),
      counts[ndq + i] = 300 + 2 * i, counts[2 * ndq + i] = 150 - i;
    auto run = [dc, x, ndq](const vec& v, dr_sigma* sig) {
      return output_of([&] {
        dr(0.71, 0.4, 0.2, dc.dead, dc.geom, dc.mono, dc.qt, ndq, x.data(), v.data(), v.data() + ndq,
           v.data() + 2 * ndq, 3, 1.0, dc.smo, {}, sig);
      });
    };
    steps.push_back({"dr", counts, [run](const vec& v) { return run(v, nullptr); },
                     [run, counts, ndq](const covariance& s) {
                       // Three independent series: the blocks of s on the diagonal.
                       std::vector<covariance> part;
                       for (int b = 0; b < 3; ++b) {
                         std::vector<int> idx(ndq);
                         for (int i = 0; i < ndq; ++i) idx[i] = b * ndq + i;
                         part.push_back(s.mapped(row_map::selection(idx, s.size())));
                       }
                       dr_sigma sig{&part[0], &part[1], &part[2], {}};
                       run(counts, &sig);
                       return sig.out;
                     },
                     1e-5, 3});
  }

  // The bending correction: the cubic above qb, the dropped point, the smoothing.
  {
    const int n = 50;
    vec qb(n), y(n);
    for (int k = 0; k < n; ++k) qb[k] = 0.4 * k, y[k] = std::sin(qb[k]) + 0.01 * qb[k] * qb[k];
    steps.push_back({"zd", y, [qb, n](const vec& v) { return output_of([&] { zd(n, 8.0, qb.data(), v.data()); }); },
                     [qb, n](const covariance& cov) {
                       covariance out;
                       zd_covariance(n, 8.0, qb.data(), cov, out);
                       return out;
                     },
                     1e-6});
  }

  // The transform: G(r) with the exponential window and with the Lorch window.
  for (int window : {0, 1}) {
    const int n = 64;
    vec qt(n), y(n);
    for (int k = 0; k < n; ++k) qt[k] = 0.3 * k, y[k] = qt[k] * std::exp(-0.05 * qt[k] * qt[k]) * std::sin(1.6 * qt[k]);
    steps.push_back({"cd", y, [qt, n, window](const vec& v) {
                       return output_of([&] { cd(n, 2, 0.07, 3.0, 0.01, 0.1, v.data(), qt.data(), window); });
                     },
                     [qt, n, window](const covariance& cov) {
                       // Only the variances are propagated: compare a diagonal matrix.
                       const transform_setup t{n, qt.data(), 3.0, 0.1, 0.01, window};
                       vec sigma;
                       transform_sigma(t, cov, sigma);
                       for (double& s : sigma) s *= s;  // the variances
                       return covariance::diagonal(sigma);
                     },
                     1e-6, 1, true});
  }

  for (const step& st : steps) {
    SCOPED_TRACE(st.name);
    // Independent blocks placed on the diagonal.
    const int n = static_cast<int>(st.y.size()), len = n / st.blocks;
    covariance in(n);
    const double one = 1.0;
    for (int b = 0; b < st.blocks; ++b) {
      row_map place(len);
      for (int i = 0; i < n; ++i) i / len == b ? place.add_row(i % len, {&one, 1}) : place.add_empty_row();
      in += random_covariance(len, g).mapped(place);
    }
    const covariance out = st.propagate(in);
    const matrix reference = sandwich(jacobian(st.f, st.y), dense(in));
    ASSERT_EQ(out.size(), static_cast<int>(reference.size()));
    if (st.variances) {
      for (std::size_t j = 0; j < reference.size(); ++j)
        EXPECT_NEAR(std::sqrt(out.variance(j)), std::sqrt(reference[j][j]), st.tol * (1 + std::sqrt(reference[j][j])));
    } else {
      EXPECT_LT(worst(dense(out), reference), st.tol);
    }
  }
}

// The transform's deviations on a grid large enough for the chirp-z path, for independent
// points (s^2 (2 dq / pi)^2 sum_k W_k^2 sin^2(r q_k), the window written out) and for a band
// with a low-rank part (long and short columns, as the extension to zero angle leaves)
// against the quadratic forms one by one.
TEST(Uncertainty, TransformOnLargeGridsMatchesQuadraticForms) {
  std::mt19937 gen(3);
  const int n = 2001;
  vec q(n);
  for (int k = 0; k < n; ++k) q[k] = 0.25 + 0.008 * k;
  vec local(n, 0.0), at(n, 0.0);
  for (int k = 40; k < 70; ++k) local[k] = 0.1 * (k - 40);
  at[50] = 1.0;
  const covariance white = covariance::diagonal(vec(n, 0.04));
  const covariance s =
      random_covariance(n, gen).mapped(smoothing_map(n, 7)).with_functionals(row_map::identity(n), {local}, {at});
  for (int window : {0, 1})
    for (const covariance* c : {&white, &s}) {
      const transform_setup t{n, q.data(), 8.0, 0.02, 0.004, window};
      vec sigma;
      ASSERT_TRUE(transform_sigma(t, *c, sigma));
      EXPECT_EQ(sigma[0], 0.0);
      for (int j : {1, 3, 77, 250, 399}) {
        double s2 = 0.0;
        vec w(n, 0.0);
        for (int k = 0; k < n - 1; ++k) {
          const double wdw = window == 0 ? std::exp(-0.004 * q[k] * q[k])
                                         : (q[k] == 0 ? 1.0 : std::sin(std::numbers::pi * q[k] / q[n - 2]) / (std::numbers::pi * q[k] / q[n - 2]));
          w[k] = 0.008 * 2 / pi_f * wdw * std::sin(j * 0.02 * q[k]);
          s2 += 0.04 * w[k] * w[k];
        }
        const double expected = c == &white ? std::sqrt(s2) : std::sqrt(c->quad(w.data()));
        EXPECT_NEAR(sigma[j], expected, 1e-8 * expected) << window << " " << j;
      }
    }
}

// The adjoint of the transform (the weights of a functional of G(r), such as the slope at
// r = 0, carried back to Q[S(Q)-1]) is the transposed Jacobian of cd, on a uniform grid
// (rotation) and a non-uniform one (direct sines), with either window.
TEST(Uncertainty, TransformAdjointIsTheTransposedJacobian) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (const double bend : {0.0, 0.02})
    for (int window : {0, 1}) {
      const int n = 150;
      vec q(n), y(n);
      for (int k = 0; k < n; ++k) q[k] = 0.1 * k + bend * 0.01 * k * k, y[k] = std::sin(q[k]) * std::exp(-0.05 * q[k]);
      const transform_setup t{n, q.data(), 3.0, 0.01, 0.01, window};
      const auto transform = [&](const vec& v) {
        return output_of([&] { cd(n, 2, 0.07, 3.0, 0.01, 0.01, v.data(), q.data(), window); });
      };
      const matrix j = jacobian(transform, y);
      vec c(j.size()), x(n);
      for (double& v : c) v = u(gen);
      transform_adjoint(t, c.data(), x.data());
      for (int k = 0; k < n; ++k) {
        double expected = 0.0;
        for (std::size_t i = 1; i < j.size(); ++i) expected += j[i][k] * c[i];
        EXPECT_NEAR(x[k], expected, 1e-7 * (1 + std::fabs(expected))) << bend << " " << window << " " << k;
      }
    }
}
