#include "numeric/d_red.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/elements.h"
#include "numeric/filters.h"
#include "numeric/spline.h"
#include "numeric/spline_map.h"
#include "numeric/work_arrays.h"

namespace {

constexpr double deg_per_rad = 57.29578;
// 0.00001 rad at single precision: tolerance of the zero-angle extension count.
constexpr double extension_tolerance = 9.999999747378752e-06;
constexpr int max_extension = 2000;

// Parameter echo: label, one blank, value. Doubles in the shortest form that reads back
// to the same value (to_chars is independent of the locale).
void put_double(std::FILE* f, double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::fwrite(buf, 1, static_cast<std::size_t>(r.ptr - buf), f);
}

void echo_double(std::FILE* f, const char* label, double v) {
  std::fprintf(f, "%s ", label);
  put_double(f, v);
  std::fputc('\n', f);
}

void echo_int(std::FILE* f, const char* label, int v) { std::fprintf(f, "%s %d\n", label, v); }

void echo_point(std::FILE* f, int i, const char* label, double v) {
  std::fprintf(f, "i= %d%s ", i, label);
  put_double(f, v);
  std::fputc('\n', f);
}

bool allocate(std::vector<double>& v, std::size_t n, const char* table) {
  return allocate_table(v, n, "Subroutine: dr ", table);
}

struct corrected {
  double two_theta, intensity;
};

// 3. Abscissa to 2theta in radians: degrees, or q = 4 pi sin(theta) / lambda when qt = 2.
double two_theta_of(double x, double dlamb, int qt) {
  return qt != 2 ? x / deg_per_rad : 2.0 * std::asin(dlamb * x / four_pi_f);
}

// 7. Number K of multiples k delta (k = 1, 2, ..., by repeated addition) of the first
// angular step that stay below the first angle t1.
int extension_count(double t1, double delta) {
  int kext = 0;
  double s = 0.0;
  for (int k = 1; k <= max_extension; ++k) {
    s += delta;
    if (s >= t1 - extension_tolerance || s >= t1) break;
    kext = k;
  }
  return kext;
}

double q_of(double two_theta, double dlamb) { return four_pi_f * std::sin(two_theta / 2.0) / dlamb; }

// Steps 2 to 6 for one point: dead time, angle, subtraction of background and
// substrate/cell (attenuated by the sample), polarisation, sample absorption.
struct point_correction {
  double dlamb, dtef1, dmu, dead1, geom, mono;
  int qt;
  dr_polarisation pol;

  // 5. Polarisation factor P of the beam; the intensity is divided by it.
  double polarisation(double two_theta) const {
    const double c2 = std::cos(two_theta);
    if (mono == 1.0) {
      const double cm = std::cos(*pol.monoangle / deg_per_rad);
      return (1.0 + cm * cm * c2 * c2) / (1.0 + cm * cm);
    }
    return ((1.0 + *pol.fraction) + (1.0 - *pol.fraction) * c2 * c2) / 2.0;
  }

  // The terms of one abscissa: the angle, and the attenuation by the sample of the
  // background and the substrate/cell scattering on their way out (step 4).
  struct angle_terms {
    double two_theta, cos_theta, bg_atten, sub_atten, refl_atten;
  };
  angle_terms terms(double x) const {
    angle_terms a{two_theta_of(x, dlamb, qt), 0.0, 1.0, 1.0, 0.0};
    const double theta = a.two_theta / 2.0;
    const double sin_theta = std::sin(theta);
    a.cos_theta = std::cos(theta);
    if (geom != 1.0) {
      a.bg_atten = std::exp(-(dtef1 + dmu) / a.cos_theta);
      a.sub_atten = std::exp(-dtef1 / a.cos_theta);
    } else {
      a.refl_atten = std::exp(-2.0 * dtef1 / sin_theta);
      a.sub_atten = a.refl_atten;
    }
    return a;
  }

  // Steps 5 and 6, linear in the subtracted intensity v: the factors of one angle (its
  // cosines and exponentials worked out once), applied to a value in a fixed order of
  // operations, so that the gain (the value 1) costs no second evaluation of them.
  struct linear_factors {
    int pol = 0;  // 1: v / p0, 2: 2 v / p0
    double p0 = 1.0;
    int absorb = 0;  // 1: v / f0, 2 and 3: v * f0 * f1
    double f0 = 1.0, f1 = 1.0;
    double operator()(double v) const {
      if (pol == 1) v = v / p0;
      else if (pol == 2) v = 2.0 * v / p0;
      if (absorb == 1) v = v / f0;
      else if (absorb >= 2) v = v * f0 * f1;
      return v;
    }
  };
  linear_factors factors(const angle_terms& a) const {
    linear_factors f;
    // 5. Polarisation: an unpolarised (in-house) beam, unless refined by `pol`.
    if ((mono == 1.0 && pol.monoangle) || (mono == 2.0 && pol.fraction)) {
      f.pol = 1, f.p0 = polarisation(a.two_theta);
    } else if (mono == 1.0) {
      const double c2 = std::cos(a.two_theta);
      f.pol = 2, f.p0 = 1.0 + c2 * c2;
    }
    // 6. Sample absorption for the geometry.
    if (geom == 1.0) {
      f.absorb = 1, f.f0 = 1.0 - a.refl_atten;
    } else if (geom == 2.0) {
      f.absorb = 2, f.f0 = a.cos_theta, f.f1 = std::exp(dtef1 * (1.0 / a.cos_theta - 1.0));
    } else if (geom == 3.0) {
      // Cylinder, mu over the diameter, to 2nd order: exp(-8mu/3pi) (1 + (1/2 - 32/9pi^2 - cos^2/8) mu^2).
      const double mu2 = dtef1 * dtef1;
      f.absorb = 3, f.f0 = 1.0 + 0.1397 * mu2 - 0.125 * mu2 * a.cos_theta * a.cos_theta;
      f.f1 = std::exp(-0.8488 * dtef1);
    }
    return f;
  }

  // With k: also the corrected value per unit of each dead-time corrected intensity,
  // sample, background and substrate/cell (the correction is linear in them).
  corrected operator()(double x, double sam, double bg, double sub, double* k = nullptr) const {
    const angle_terms a = terms(x);
    return apply(a, factors(a), sam, bg, sub, k);
  }

  // The same with the terms and factors of the point's angle worked out beforehand.
  corrected apply(const angle_terms& a, const linear_factors& f, double sam, double bg, double sub,
                  double* k = nullptr) const {
    // 2. Dead time: measured rate v of a detector with dead time tau, v / (1 - v tau).
    sam = sam / (1.0 - sam * dead1);
    bg = bg / (1.0 - bg * dead1);
    sub = sub / (1.0 - sub * dead1);

    // 4. Background and substrate/cell subtracted, attenuated by the sample.
    bg = bg * a.bg_atten;
    sub = sub * a.sub_atten;
    if (k) {
      k[0] = f(1.0);
      k[1] = -a.bg_atten * k[0];
      k[2] = -a.sub_atten * k[0];
    }
    return {a.two_theta, f(sam - sub - bg)};
  }
};

// The terms and factors of each angle of the last run, with everything they depend on: a
// series corrects every pattern on the same angles with the same settings, and the sines,
// cosines and exponentials are most of the correction's cost. Compared bit for bit.
struct kept_angles {
  std::vector<double> x;
  double dlamb = 0.0, dtef1 = 0.0, dmu = 0.0, geom = 0.0, mono = 0.0;
  int qt = 0;
  bool has_monoangle = false, has_fraction = false;
  double monoangle = 0.0, fraction = 0.0;
  std::vector<point_correction::angle_terms> terms;
  std::vector<point_correction::linear_factors> factors;
  std::vector<double> q;  // q_of each angle

  static bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
  bool matches(const point_correction& c, int n, const double* xs) const {
    return x.size() == static_cast<std::size_t>(n) &&
           (n == 0 || std::memcmp(x.data(), xs, x.size() * sizeof(double)) == 0) && same(dlamb, c.dlamb) &&
           same(dtef1, c.dtef1) && same(dmu, c.dmu) && same(geom, c.geom) && same(mono, c.mono) && qt == c.qt &&
           has_monoangle == c.pol.monoangle.has_value() && has_fraction == c.pol.fraction.has_value() &&
           (!c.pol.monoangle || same(monoangle, *c.pol.monoangle)) &&
           (!c.pol.fraction || same(fraction, *c.pol.fraction));
  }
};

// The kept angles for these points, worked out again when anything they depend on changed.
// Null when they cannot be stored (the caller then works each point out itself).
const kept_angles* angles_for(const point_correction& c, int n, const double* xs) {
  thread_local kept_angles kept;
  if (kept.matches(c, n, xs)) return &kept;
  try {
    kept.x.assign(xs, xs + n);
    kept.terms.resize(static_cast<std::size_t>(n));
    kept.factors.resize(static_cast<std::size_t>(n));
    kept.q.resize(static_cast<std::size_t>(n));
  } catch (const std::exception&) {
    kept = kept_angles();
    return nullptr;
  }
  for (int i = 0; i < n; ++i) {
    kept.terms[i] = c.terms(xs[i]);
    kept.factors[i] = c.factors(kept.terms[i]);
    kept.q[i] = q_of(kept.terms[i].two_theta, c.dlamb);
  }
  kept.dlamb = c.dlamb, kept.dtef1 = c.dtef1, kept.dmu = c.dmu, kept.geom = c.geom, kept.mono = c.mono;
  kept.qt = c.qt;
  kept.has_monoangle = c.pol.monoangle.has_value(), kept.has_fraction = c.pol.fraction.has_value();
  kept.monoangle = c.pol.monoangle ? *c.pol.monoangle : 0.0;
  kept.fraction = c.pol.fraction ? *c.pol.fraction : 0.0;
  return &kept;
}

// What the propagation of uncertainties needs of a run: the series it worked on and the
// grids it built.
struct dr_run {
  const point_correction& correct;
  int ndq, n;
  const double* x;
  const double* series[3];  // sample, background, cell (null when not subtracted)
  const double* gains;      // per point the gains of the three series
  int kext, m, nq;
  double t1, delta, smo;
  const double* knots;  // q of the extended series
  const double* newq;
};

// Covariance of CORRECTI (dr_sigma): per series the dead-time derivative times the linear
// gain of the correction, the sum of the three, the extension, the smoothing, the spline.
covariance propagate(const dr_run& run, const dr_sigma& sig) {
  const covariance* in[3] = {sig.raw, run.series[1] ? sig.back : nullptr, run.series[2] ? sig.cell : nullptr};
  for (const covariance* c : in)
    if (c && c->size() != run.ndq) return {};
  // The first n of the ndq points (those past the last angle kept are dropped).
  row_map first_n;
  if (run.n != run.ndq) {
    std::vector<int> used(static_cast<std::size_t>(run.n));
    for (int i = 0; i < run.n; ++i) used[i] = i;
    first_n = row_map::selection(used, run.ndq);
  }
  covariance sum(run.n);
  std::vector<double> gain(static_cast<std::size_t>(run.n));
  for (int s = 0; s < 3; ++s) {
    if (!in[s]) continue;
    for (int i = 0; i < run.n; ++i) {
      const double v = run.series[s][i];
      const double dead = 1.0 - v * run.correct.dead1;
      gain[i] = run.gains[3 * i + s] / (dead * dead);
    }
    covariance c = run.n == run.ndq ? *in[s] : in[s]->mapped(first_n);
    c.scale(gain);
    sum += c;
  }

  // Extension: point k < K is 0 (k = 0) or the line through (0, 0) and the first point.
  covariance ext;
  if (run.kext >= 1) {
    row_map shift(run.n);
    for (int k = 0; k < run.kext; ++k) shift.add_empty_row();
    const double one = 1.0;
    for (int i = 0; i < run.n; ++i) shift.add_row(i, {&one, 1});
    const double lx[2] = {0.0, run.t1}, ly[2] = {0.0, 1.0};
    double dc[2] = {0.0, 0.0};
    linfit(lx, ly, 2, dc);
    std::vector<double> along(static_cast<std::size_t>(run.m), 0.0), at_first(static_cast<std::size_t>(run.n), 0.0);
    double s = 0.0;
    for (int k = 1; k < run.kext; ++k) {
      s += run.delta;
      along[k] = dc[0] + dc[1] * s;
    }
    at_first[0] = 1.0;
    ext = sum.with_functionals(shift, {along}, {at_first});
  } else {
    ext = std::move(sum);
  }
  if (run.smo == 1.0 || run.smo == 2.0 || run.smo == 3.0)
    ext = ext.mapped(smoothing_map(run.m, run.smo == 1.0 ? 5 : run.smo == 2.0 ? 9 : 7));
  return ext.mapped(kept_spline_map(run.m, run.knots, run.nq, run.newq));
}

int refuse(const char* cause) {
  show_error_("Impossible to correct the data", "Subroutine: dr ", cause);
  return 0;
}

}  // namespace

double dr_grid_step(double dlamb, int qt, double x0, double x1) {
  const double t1 = two_theta_of(x0, dlamb, qt), t2 = two_theta_of(x1, dlamb, qt);
  const double delta = t2 - t1;
  // The first two angles of the extended series: (0, delta), (0, t1) or (t1, t2).
  const int kext = extension_count(t1, delta);
  const double qa = kext >= 1 ? 0.0 : q_of(t1, dlamb);
  const double qb = q_of(kext >= 2 ? delta : kext == 1 ? t1 : t2, dlamb);
  const double step1000 = 1000.0 * qb - 1000.0 * qa;
  if (!(std::fabs(step1000) <= 1e15)) return std::nan("");
  return static_cast<double>(std::lround(step1000)) / 1000.0;
}

// Inputs outside the design get these defined results (message through show_error_,
// result 0, nothing delivered):
//  - ndq < 3 (fewer than two usable points): "Fewer than 2 points";
//  - x or raw missing, or back/cell missing while mode asks for them: "Missing data array";
//  - first q step not finite: "First q step not finite"; rounded to 0 or negative (a step
//    below 0.0005 1/A, or descending abscissae): "First q step below 0.0005";
//  - a grid that would end before it starts (nq < 1): "Empty q grid";
//  - more than dr_max_points raw points, or an output grid that is non-finite or longer
//    than dr_max_points: reported as the allocation failure of the extended series
//    ("Table: scr1") or of CORRECTI.
// NaN or infinite intensities, and bad abscissae past the first two, propagate into the
// delivered curve as NaN or infinities. Series of any length up to the cap are handled.
int dr_resampled(dr_resampling how, double dlamb, double dtef1, double dmu, double dead1,
                 double geom, double mono, int qt, int ndq, const double* x,
                 const double* raw, const double* back, const double* cell, int mode,
                 double compt, double smo, const dr_polarisation& pol, dr_sigma* sigma) {
  std::FILE* echo = echo_stream();
  if (echo) {
    echo_double(echo, "DLAMB=", dlamb);
    echo_double(echo, "DTEF1=", dtef1);
    echo_double(echo, "DMU=", dmu);
    echo_double(echo, "DEAD1=", dead1);
    echo_double(echo, "GEOM=", geom);
    echo_double(echo, "MONO=", mono);
    echo_int(echo, "QT=", qt);
    echo_int(echo, "NDQ=", ndq);
    echo_int(echo, "NDQ=", mode);
    echo_double(echo, "COMPT=", compt);
    echo_double(echo, "SMO=", smo);
    if (pol.monoangle) echo_double(echo, "MONOANGLE=", *pol.monoangle);
    if (pol.fraction) echo_double(echo, "POLFRACTION=", *pol.fraction);
  }

  if (sigma) sigma->out = covariance();
  if (ndq < 3) return refuse("Fewer than 2 points");
  const bool use_back = mode == 1 || mode == 3;
  const bool use_cell = mode == 2 || mode == 3;
  if (!x || !raw || (use_back && !back) || (use_cell && !cell)) return refuse("Missing data array");

  // The last raw point is not used.
  const int n = ndq - 1;
  if (n > dr_max_points) {
    show_error_("Impossible to allocate memory", "Subroutine: dr ", "Table: scr1");
    return 0;
  }

  // 1. Copy; the echo shows the values before any correction (0 for an unused series).
  if (echo) {
    for (int i = 0; i < n; ++i) {
      echo_point(echo, i + 1, ", FT=", x[i]);
      echo_point(echo, i + 1, ", RA=", raw[i]);
      echo_point(echo, i + 1, ", RD=", use_cell ? cell[i] : 0.0);
      echo_point(echo, i + 1, ", BA=", use_back ? back[i] : 0.0);
    }
    std::fflush(echo);
  }
  const point_correction correct{dlamb, dtef1, dmu, dead1, geom, mono, qt, pol};
  // With uncertainties the gains of each point are kept for their propagation.
  std::vector<double> gains(sigma ? 3 * static_cast<std::size_t>(n) : 0);
  const kept_angles* angles = angles_for(correct, n, x);
  auto corrected_point = [&](int i) {
    double* k = sigma ? &gains[3 * static_cast<std::size_t>(i)] : nullptr;
    const double b = use_back ? back[i] : 0.0, c = use_cell ? cell[i] : 0.0;
    if (angles) return correct.apply(angles->terms[i], angles->factors[i], raw[i], b, c, k);
    return correct(x[i], raw[i], b, c, k);
  };

  // 7. Extension to zero angle along the line through (0, 0) and the first corrected
  // point, with the first angular step; multiples of the step by repeated addition.
  const corrected first = corrected_point(0);
  const double t1 = first.two_theta;
  const double delta = corrected_point(1).two_theta - t1;
  const int kext = extension_count(t1, delta);
  double coef[2] = {0.0, 0.0};
  {
    const double lx[2] = {0.0, t1}, ly[2] = {0.0, first.intensity};
    linfit(lx, ly, 2, coef);
  }

  // Extended series: scr1 the abscissa (2theta, then q), scr2 the intensity.
  const int m = n + kext;
  std::vector<double> scr1, scr2;
  if (!allocate(scr1, m, "Table: scr1") || !allocate(scr2, m, "Table: scr2")) return 0;
  if (kext >= 1) {
    double s = 0.0;
    for (int k = 1; k < kext; ++k) {
      s += delta;
      scr1[k] = s;
      scr2[k] = coef[0] + coef[1] * s;
    }
  }
  // 8. 2theta to q = 4 pi sin(2theta / 2) / lambda.
  for (int k = 0; k < kext; ++k) scr1[k] = q_of(scr1[k], dlamb);
  for (int i = 0; i < n; ++i) {
    const corrected p = corrected_point(i);
    scr1[kext + i] = angles ? angles->q[i] : q_of(p.two_theta, dlamb);
    scr2[kext + i] = p.intensity;
  }

  // 9. Smoothing: 1 slight (5 points), 2 moderate (9 points), 3 heavy (7 points).
  std::vector<double> smoothed;
  const bool smoothing = smo == 1.0 || smo == 2.0 || smo == 3.0;
  if (smoothing && !allocate(smoothed, m, "Table: rdf")) return 0;
  if (smo == 1.0)
    smooth5(m, scr2.data(), smoothed.data());
  else if (smo == 2.0)
    smooth9(m, scr2.data(), smoothed.data());
  else if (smo == 3.0)
    smooth7(m, scr2.data(), smoothed.data());
  const std::vector<double>& rdf = smoothing ? smoothed : scr2;

  // 10. Uniform grid: the first q step rounded to a multiple of 0.001 1/A.
  const double step1000 = 1000.0 * scr1[1] - 1000.0 * scr1[0];
  if (!std::isfinite(step1000)) return refuse("First q step not finite");
  if (std::fabs(step1000) > 1e15) return refuse("First q step not finite");  // beyond lround's range
  const double dq = static_cast<double>(std::lround(step1000)) / 1000.0;
  if (!(dq > 0.0)) return refuse("First q step below 0.0005");
  const double span = scr1[m - 1] / dq;
  if (std::isnan(span) || span > 2.0 * dr_max_points) {
    show_error_("Impossible to allocate memory", "Subroutine: dr ", "Table: CORRECTI");
    return 0;
  }
  if (span <= -0.5) return refuse("Empty q grid");
  const long nq_long = std::lround(span) + 1;
  if (nq_long > dr_max_points) {
    show_error_("Impossible to allocate memory", "Subroutine: dr ", "Table: CORRECTI");
    return 0;
  }
  if (nq_long < 1) return refuse("Empty q grid");
  const int nq = static_cast<int>(nq_long);

  std::vector<double> correcti, newq;
  if (!allocate(correcti, nq, "Table: CORRECTI")) return 0;
  if (!allocate(newq, nq, "Table: NEWQ")) return 0;
  newq[0] = scr1[0];
  for (int k = 1; k < nq; ++k) newq[k] = newq[k - 1] + dq;

  // 11./12. Cubic spline through (q, smoothed intensity), evaluated on the grid.
  std::vector<double> sb, sc, sd;
  if (!allocate(sb, m, "Table: b") || !allocate(sc, m, "Table: c") || !allocate(sd, m, "Table: d"))
    return 0;
  spline(m, scr1.data(), rdf.data(), sb.data(), sc.data(), sd.data());
  if (how == dr_resampling::forward_walk) {
    seval_ascending(m, scr1.data(), rdf.data(), sb.data(), sc.data(), sd.data(), nq,
                    newq.data(), correcti.data());
  } else {
    for (int k = 0; k < nq; ++k)
      correcti[k] = seval(m, newq[k], scr1.data(), rdf.data(), sb.data(), sc.data(), sd.data());
  }

  if (sigma) {
    const dr_run run{correct, ndq, n, x, {raw, use_back ? back : nullptr, use_cell ? cell : nullptr},
                     gains.data(), kext, m, nq, t1, delta, smo, scr1.data(), newq.data()};
    sigma->out = propagate(run, *sigma);
  }
  save_curve_(nq, newq.data(), correcti.data(), 0, 3);
  return 1;
}

int dr(double dlamb, double dtef1, double dmu, double dead1, double geom, double mono,
       int qt, int ndq, const double* x, const double* raw, const double* back,
       const double* cell, int mode, double compt, double smo, const dr_polarisation& pol,
       dr_sigma* sigma) {
  return dr_resampled(dr_resampling::forward_walk, dlamb, dtef1, dmu, dead1, geom, mono, qt,
                      ndq, x, raw, back, cell, mode, compt, smo, pol, sigma);
}
