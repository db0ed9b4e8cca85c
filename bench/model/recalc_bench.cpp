// From an accepted setting to the redrawn G(r) window on the bundled SiO2 example with
// automatic recalculation: a new wavelength reruns the raw data correction, S(Q) and
// G(r) (the bending correction is not part of the example's chain), then the G(r) plot
// is drawn at the window's default 840 x 600 as its expose handler draws it; once more with
// counting statistics propagated through the steps.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include "files/project_file.h"
#include "numeric/callbacks.h"
#include "plot/render.h"
#include "project/project.h"
#include "project/recalc.h"
#include "project/settings.h"
#include "project/steps.h"
#include "project/uncertainty.h"

namespace {

void wavelength_to_redrawn_gr(benchmark::State& state, int errors) {
  clear_project_table();
  connect_step_callbacks();
  std::FILE* echo = set_echo_stream(nullptr);  // the correction echoes its parameters
  init_project();
  if (open_project_file(AMOQ_SOURCE_DIR "/examples/sio2/sio2.nap") != file_ok) {
    state.SkipWithError("the example does not open");
    return;
  }
  set_uncertainty_mode(errors);
  set_auto_recalc(activep, true);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 840, 600);
  cairo_t* cr = cairo_create(surface);
  const double wavelengths[2] = {0.7093, 0.7107};
  int k = 0;
  for (auto _ : state) {
    set_prop(prop_first_exp, wavelengths[k ^= 1], 0);  // the wavelength entry
    if (proj[activep].out_of_date[3] || !render_curve(cr, 840, 600, 1.0, activep, 3, 1))
      state.SkipWithError("G(r) was not recomputed and drawn");
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  set_echo_stream(echo);
  clear_project_table();
}

void bm_wavelength_to_redrawn_gr(benchmark::State& state) { wavelength_to_redrawn_gr(state, errors_none); }
void bm_wavelength_to_redrawn_gr_with_uncertainties(benchmark::State& state) {
  wavelength_to_redrawn_gr(state, errors_counts);
}

BENCHMARK(bm_wavelength_to_redrawn_gr)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_wavelength_to_redrawn_gr_with_uncertainties)->Unit(benchmark::kMillisecond);

}  // namespace
