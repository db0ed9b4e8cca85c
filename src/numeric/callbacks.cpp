#include "numeric/callbacks.h"

#include <utility>

namespace {
numeric_receiver receiver;
std::FILE* echo = stdout;
}  // namespace

numeric_receiver set_numeric_receiver(numeric_receiver r) { return std::exchange(receiver, std::move(r)); }

void save_curve_(int n, const double* x, const double* y, int calc, int curve) {
  if (receiver.save_curve) receiver.save_curve(n, x, y, calc, curve);
}

void show_error_(const char* a, const char* b, const char* c) {
  if (receiver.show_error)
    receiver.show_error(a, b, c);
  else
    std::fprintf(stderr, "%s\n%s\n%s\n", a, b, c);
}

void displaync_(double value) {
  if (receiver.displaync) receiver.displaync(value);
}

void displaydens_(double value) {
  if (receiver.displaydens) receiver.displaydens(value);
}

void save_sigma_(int n, const double* sigma, int calc, int curve) {
  if (receiver.save_sigma) receiver.save_sigma(n, sigma, calc, curve);
}

std::FILE* set_echo_stream(std::FILE* stream) { return std::exchange(echo, stream); }
std::FILE* echo_stream() { return echo; }
