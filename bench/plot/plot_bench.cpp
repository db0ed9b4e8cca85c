// Full redraws of an 840 x 600 plot of noisy curves, as the curve window's expose does:
// with filled envelope bands over dense pixel columns and continuous dash patterns
// (bm_redraw...) and the straightforward way that strokes every segment on its own
// (..._each_segment).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <random>
#include <vector>

#include "project/allocextra.h"
#include "plot/draw.h"
#include "plot/render.h"
#include "project/calc_records.h"
#include "project/project.h"
#include "project/toolbox.h"

namespace {

// Overlaid curves of a Q project drawn over its S(Q) curve (1, 2).
const int overlay_ids[5][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}};

void fill_noisy(curve& c, int n, double phase, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> noise(0.0, 0.02);
  c.data[0].resize(n);
  c.data[1].resize(n);
  for (int i = 0; i < n; ++i) {
    double x = 20.0 * i / (n - 1);
    c.data[0][i] = x;
    c.data[1][i] = std::sin(x + phase) * std::exp(-0.05 * x) + noise(gen);
  }
  c.ndata = n;
}

// One project with the host curve and, when asked, five drawn overlays of n points.
void set_up(int n, int dash, int overlays) {
  clear_project_table();
  init_project();
  proj[0].name = "bench";
  proj[0].params[k_abscissa] = 1;
  create_curve_records(0);
  init_curve_names(0, 0, 0);
  curve& host = *find_curve(0, 1, 2);
  fill_noisy(host, n, 0.0, 1);
  host.dash = dash;
  for (int k = 0; k < overlays; ++k) fill_noisy(*find_curve(0, overlay_ids[k][0], overlay_ids[k][1]), n, 0.3 * (k + 1), 10 + k);
  activer = 1;
  activec = 2;
  allocextra(0, 0, 1, 2);
  for (int s = 0; s < host.extras; ++s)
    for (int k = 0; k < overlays; ++k)
      if (host.extrasets[s][2] == overlay_ids[k][0] && host.extrasets[s][3] == overlay_ids[k][1]) {
        host.extrasets[s][0] = 1;
        host.extradash[s] = dash;
        ++host.extras_shown;
      }
}

void redraw(benchmark::State& state, int each_segment, int overlays) {
  const int n = static_cast<int>(state.range(0));
  const int dash = static_cast<int>(state.range(1));
  set_up(n, dash, overlays);
  plot_opts().stroke_each_segment = each_segment;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 840, 600);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    if (!render_curve(cr, 840, 600, 1.0, 0, 1, 2)) state.SkipWithError("render_curve failed");
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  plot_opts().stroke_each_segment = 0;
}

void bm_redraw(benchmark::State& s) { redraw(s, 0, 0); }
void bm_redraw_each_segment(benchmark::State& s) { redraw(s, 1, 0); }
void bm_redraw_overlays(benchmark::State& s) { redraw(s, 0, 5); }
void bm_redraw_overlays_each_segment(benchmark::State& s) { redraw(s, 1, 5); }

// Arguments: points, dash index (1 solid, 2 dashed).
BENCHMARK(bm_redraw)->Args({30000, 1})->Args({300000, 1})->Args({30000, 2})->Args({300000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(bm_redraw_each_segment)->Args({30000, 1})->Args({300000, 1})->Args({30000, 2})->Args({300000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(bm_redraw_overlays)->Args({30000, 1})->Args({30000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(bm_redraw_overlays_each_segment)->Args({30000, 1})->Args({30000, 2})->Unit(benchmark::kMillisecond);

}  // namespace
