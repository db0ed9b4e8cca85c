#include "numeric/work_arrays.h"

#include <cmath>
#include <cstdio>
#include <exception>

#include "numeric/callbacks.h"

bool allocate_table(std::vector<double>& v, std::size_t count, const char* subroutine, const char* table) {
  try {
    v.assign(count, 0.0);
    return true;
  } catch (const std::exception&) {
    show_error_("Impossible to allocate memory", subroutine, table);
    return false;
  }
}

bool check_q_grid(int n, const double* q, const char* subroutine) {
  char detail[64];
  if (n < 2) {
    std::snprintf(detail, sizeof detail, "Points: %d", n);
    show_error_("At least two data points are required", subroutine, detail);
    return false;
  }
  const double dq = q[1] - q[0];
  if (!(dq > 0.0) || !std::isfinite(dq)) {
    std::snprintf(detail, sizeof detail, "q step: %g", dq);
    show_error_("The q step must be a positive number", subroutine, detail);
    return false;
  }
  return true;
}
