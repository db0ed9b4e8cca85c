// The cost of uncertainties: the model-layer chain on the bundled SiO2 example (raw data
// correction, S(Q), G(r), g(r) and R(r)) without them, and with counting statistics
// propagated through every step; and the deviation of a coordination number on its own.
#include <benchmark/benchmark.h>

#include "files/project_file.h"
#include "numeric/callbacks.h"
#include "project/project.h"
#include "project/steps.h"
#include "project/uncertainty.h"

namespace {

void run_chain(benchmark::State& state, int mode) {
  clear_project_table();
  connect_step_callbacks();
  std::FILE* echo = set_echo_stream(nullptr);  // the correction echoes its parameters
  init_project();
  if (open_project_file(AMOQ_SOURCE_DIR "/examples/sio2/sio2.nap") != file_ok) {
    state.SkipWithError("the example does not open");
    return;
  }
  set_uncertainty_mode(mode);
  for (auto _ : state) {
    if (run_ra() != step_done || run_sq() != step_done || run_gr() != step_done) {
      state.SkipWithError("a step failed");
      break;
    }
  }
  set_echo_stream(echo);
  clear_project_table();
}

void bm_chain(benchmark::State& state) { run_chain(state, errors_none); }
void bm_chain_with_uncertainties(benchmark::State& state) { run_chain(state, errors_counts); }

// The deviation of the number of O around Si (1.45..1.8 A) after the chain.
void bm_coordination_sigma(benchmark::State& state) {
  clear_project_table();
  connect_step_callbacks();
  std::FILE* echo = set_echo_stream(nullptr);
  init_project();
  if (open_project_file(AMOQ_SOURCE_DIR "/examples/sio2/sio2.nap") != file_ok) {
    state.SkipWithError("the example does not open");
    return;
  }
  set_uncertainty_mode(errors_counts);
  if (run_ra() != step_done || run_sq() != step_done || run_gr() != step_done) state.SkipWithError("a step failed");
  for (auto _ : state) benchmark::DoNotOptimize(coordination_sigma(activep, 1.45, 1.8));
  set_echo_stream(echo);
  clear_project_table();
}

BENCHMARK(bm_chain)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_chain_with_uncertainties)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_coordination_sigma)->Unit(benchmark::kMillisecond);

}  // namespace
