// Test receiver for the numeric callbacks: records every delivered curve, error and
// reported value, and restores the previous receiver when it goes out of scope.
#pragma once

#include "support/test.h"

#include "numeric/callbacks.h"

struct recorded_curve {
  int calc, curve;
  std::vector<double> x, y;
};

struct numeric_recorder {
  std::vector<recorded_curve> curves;
  std::vector<std::string> errors;  // the three lines joined with '\n'
  std::vector<double> nc, dens;
  std::vector<std::vector<double>> sigmas;
  std::string calls;  // one letter per callback in order: c(urve), e(rror), n(c), d(ens), s(igma)
  numeric_receiver previous;
  std::FILE* previous_echo;

  numeric_recorder() {
    numeric_receiver r;
    r.save_curve = [this](int n, const double* x, const double* y, int calc, int curve) {
      curves.push_back({calc, curve, std::vector<double>(x, x + n), std::vector<double>(y, y + n)});
      calls += 'c';
    };
    r.show_error = [this](const char* a, const char* b, const char* c) {
      errors.push_back(std::string(a) + "\n" + b + "\n" + c);
      calls += 'e';
    };
    r.displaync = [this](double v) { nc.push_back(v), calls += 'n'; };
    r.displaydens = [this](double v) { dens.push_back(v), calls += 'd'; };
    r.save_sigma = [this](int n, const double* s, int, int) { sigmas.emplace_back(s, s + n), calls += 's'; };
    previous = set_numeric_receiver(std::move(r));
    previous_echo = set_echo_stream(nullptr);
  }
  ~numeric_recorder() {
    set_numeric_receiver(std::move(previous));
    set_echo_stream(previous_echo);
  }
  // First line of the only error reported; "" unless exactly one was.
  std::string only_error() const { return errors.size() == 1 ? errors[0].substr(0, errors[0].find('\n')) : ""; }
  numeric_recorder(const numeric_recorder&) = delete;
  numeric_recorder& operator=(const numeric_recorder&) = delete;
};
