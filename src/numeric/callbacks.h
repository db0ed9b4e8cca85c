// The numeric core hands its results to whoever called it only through these four
// callbacks (and the parameter echo of the raw data correction). The receiver is a small
// table that the application, the batch tool and the tests each install; without one,
// results are dropped and errors are written to stderr.
#pragma once

#include <cstdio>
#include <functional>

struct numeric_receiver {
  // Copy n points into curve `curve` of calculation `calc` of the active project.
  std::function<void(int n, const double* x, const double* y, int calc, int curve)> save_curve;
  // Three-line error: "Impossible to allocate memory", "Subroutine: ...", "Table: ...".
  std::function<void(const char* a, const char* b, const char* c)> show_error;
  // Normalisation constant estimated by nm (0 for the trial-and-error method).
  std::function<void(double value)> displaync;
  // Number density from the slope of G(r) reported by cd (0 when not used).
  std::function<void(double value)> displaydens;
  // Standard deviations of the n y values of curve `curve` of calculation `calc`, delivered
  // right after its points (the third column of a data file).
  std::function<void(int n, const double* sigma, int calc, int curve)> save_sigma;
};

// Installs a receiver and returns the one it replaces.
numeric_receiver set_numeric_receiver(numeric_receiver receiver);

void save_curve_(int n, const double* x, const double* y, int calc, int curve);
void show_error_(const char* a, const char* b, const char* c);
void displaync_(double value);
void displaydens_(double value);
void save_sigma_(int n, const double* sigma, int calc, int curve);

// Destination of the raw data correction's parameter echo: stdout by default, nullptr
// for none. Returns the previous destination.
std::FILE* set_echo_stream(std::FILE* stream);
std::FILE* echo_stream();
