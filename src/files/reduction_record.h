// The record of a reduction, written as JSON beside its results: program and version, the
// input files with size and SHA-256, every setting of the project, the constants of the
// numeric core, the values the steps reported and the coordination numbers asked for.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "numeric/coordination.h"
#include "project/sq_refine.h"

struct record_input {
  std::string role;  // "project", "raw", "background", "cell", "corrected", "qsq", ...
  std::string path;
  long long size = -1;  // bytes read, -1 when unknown
  std::string sha256;   // of the bytes read, empty when unknown
};

struct record_coordination {
  std::string pair;  // "total" or "A-B"
  double r1 = 0.0, r2 = 0.0, n = 0.0;
  bool fitted = false;  // a Gaussian shell fitted on r1..r2 is reported
  double fit_n = 0.0, fit_r0 = 0.0, fit_sigma = 0.0;  // its number (as n), position, width
  std::string not_reported;  // why the fit is not reported (peak_fit_reason), or empty
  double fit_residual = 0.0;
  // Standard deviations of n and of the fitted shell, when uncertainties were propagated
  // (NaN otherwise).
  double n_sigma = std::numeric_limits<double>::quiet_NaN();
  gaussian_peak_sigma fit_sigmas;
};

// The project file of position p (when it was read from one) and the data files loaded
// into it, each with the size and SHA-256 of the bytes that were read: a file is never
// opened again to be described (it may have been replaced, or be a FIFO, by now).
std::vector<record_input> project_inputs(int p);

// The record of project position p as JSON text, dated `date` (ISO 8601). When the low-r
// optimisation ran it also holds its course and the density g(r) used with its source; a
// scan over r_min adds its rows.
std::string reduction_record_json(int p, const std::vector<record_input>& inputs,
                                  const std::vector<record_coordination>& coordination, const std::string& date,
                                  const std::vector<lowr_scan_row>& scan = {});

// The current time as "YYYY-MM-DDThh:mm:ssZ".
std::string utc_now();

// Writes the record (dated now) to `path` through the atomic writer; file_ok (0) or the
// writer's code.
int write_reduction_record(const std::string& path, int p, const std::vector<record_input>& inputs,
                           const std::vector<record_coordination>& coordination,
                           const std::vector<lowr_scan_row>& scan = {});
