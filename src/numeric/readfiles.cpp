// Reader of (x, y) data files.
//
// A data file is plain text holding value pairs in free format. Each pair is read from the
// start of the next unread line: two numbers separated by blanks, tabs, line ends and at
// most one comma; blank lines are passed over, a pair may be split over lines, and the
// rest of the line after the second number is ignored. The first token that is not a
// number (or the end of the file) ends the reading; the pairs before it are kept.
//
// Nothing in the file is trusted: the arrays are sized from the line count (a pair needs
// at least one line end or the end of the file, so pairs <= lines), the file is read in
// fixed-size chunks, and a token longer than any sensible number is simply not a number.
// Non-finite values ("nan", "inf", 1e999) are not numbers either: they end the reading,
// so no NaN or infinity ever reaches the curve store.
#include "numeric/readfiles.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include <unistd.h>

#include "numeric/callbacks.h"
#include "numeric/safe_files.h"

namespace {

// Longest token taken as a number; longer ones are rejected without being buffered.
constexpr std::size_t max_token = 512;
constexpr std::size_t chunk_size = 64 * 1024;

struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Buffered byte source over a FILE; a read error is treated as the end of the file.
class byte_source {
 public:
  explicit byte_source(std::FILE* f) : f_(f), buf_(new char[chunk_size]) {}

  int peek() {
    if (pos_ == len_ && !fill()) return -1;
    return static_cast<unsigned char>(buf_[pos_]);
  }
  int get() {
    int c = peek();
    if (c >= 0) ++pos_;
    return c;
  }
  void skip_blanks() {
    for (int c = peek(); c >= 0 && is_blank(c); c = peek()) ++pos_;
  }
  // Blanks and tabs only: stays on the line.
  void skip_spaces() {
    for (int c = peek(); c == ' ' || c == '\t'; c = peek()) ++pos_;
  }
  // Consumes everything up to and including the next line end.
  void skip_line() {
    for (;;) {
      if (pos_ == len_ && !fill()) return;
      const void* nl = std::memchr(buf_.get() + pos_, '\n', len_ - pos_);
      if (nl) {
        pos_ = static_cast<const char*>(nl) - buf_.get() + 1;
        return;
      }
      pos_ = len_;
    }
  }
  // Reads a token (up to a blank, tab, CR, LF or comma) and parses it as a number.
  bool read_number(double& value) {
    char tok[max_token];
    std::size_t n = 0;
    for (int c = peek(); c >= 0 && !is_blank(c) && c != ','; c = peek()) {
      if (n == max_token) return false;
      tok[n++] = static_cast<char>(c);
      ++pos_;
    }
    return readfiles_detail::parse_number(tok, n, value);
  }

 private:
  bool fill() {
    if (eof_) return false;
    len_ = std::fread(buf_.get(), 1, chunk_size, f_);
    pos_ = 0;
    if (len_ < chunk_size) eof_ = true;
    return len_ > 0;
  }

  std::FILE* f_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false;
};

// A third number on the line of the second (a deviation: finite and >= 0), into s.
bool read_third(byte_source& in, double& s) {
  in.skip_spaces();
  if (in.peek() == ',') {
    in.get();
    in.skip_spaces();
  }
  const int c = in.peek();
  if (c < 0 || c == '\n' || c == '\r') return false;
  return in.read_number(s) && s >= 0.0;
}

// Reads the next pair; false at the end of the data (non-number, end of file, or a pair
// left incomplete). With s, also the third number of the line (third: whether there was one).
bool read_pair(byte_source& in, double& x, double& y, double* s = nullptr, bool* third = nullptr) {
  in.skip_blanks();
  if (in.peek() < 0 || !in.read_number(x)) return false;
  in.skip_blanks();
  if (in.peek() == ',') {
    in.get();
    in.skip_blanks();
  }
  if (in.peek() < 0 || !in.read_number(y)) return false;
  if (s) *third = read_third(in, *s);
  in.skip_line();
  return true;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

namespace readfiles_detail {

bool parse_number(const char* s, std::size_t len, double& value) {
  if (len == 0 || len > max_token) return false;
  std::size_t i = 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  const std::size_t mant_begin = i;
  std::size_t int_digits = 0, frac_digits = 0;
  while (i < len && is_digit(s[i])) ++i, ++int_digits;
  if (i < len && s[i] == '.') {
    ++i;
    while (i < len && is_digit(s[i])) ++i, ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return false;
  const std::size_t mant_end = i;

  // Exponent, saturated far beyond the double range so that it cannot overflow.
  long exponent = 0;
  if (i < len) {
    if (s[i] != 'E' && s[i] != 'e' && s[i] != 'D' && s[i] != 'd') return false;
    ++i;
    bool exp_negative = false;
    if (i < len && (s[i] == '+' || s[i] == '-')) exp_negative = s[i++] == '-';
    if (i == len) return false;
    for (; i < len; ++i) {
      if (!is_digit(s[i])) return false;
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (exp_negative) exponent = -exponent;
  }

  // Normalised copy for from_chars: sign only when negative, exponent letter 'e'.
  char buf[max_token + 16];
  std::size_t n = 0;
  if (negative) buf[n++] = '-';
  for (std::size_t k = mant_begin; k < mant_end; ++k) buf[n++] = s[k];
  buf[n++] = 'e';
  auto [end, ec] = std::to_chars(buf + n, buf + sizeof buf, exponent);
  if (ec != std::errc()) return false;
  n = static_cast<std::size_t>(end - buf);

  double v = 0.0;
  auto r = std::from_chars(buf, buf + n, v, std::chars_format::scientific);
  if (r.ec == std::errc() && r.ptr == buf + n) {
    value = v;
    return true;
  }
  if (r.ec != std::errc::result_out_of_range) return false;
  // Out of range: an underflow reads as zero, an overflow is not a number. The decimal
  // exponent of the first significant digit tells which.
  long int_left = static_cast<long>(int_digits);
  bool frac = false;
  long frac_pos = 0;
  for (std::size_t k = mant_begin; k < mant_end; ++k) {
    if (s[k] == '.') {
      frac = true;
      continue;
    }
    if (frac) ++frac_pos;
    else --int_left;
    if (s[k] != '0') break;
  }
  const long first = frac ? -frac_pos : int_left;
  if (exponent + first < 0) {
    value = negative ? -0.0 : 0.0;
    return true;
  }
  return false;
}

int read_data_bounded(int calc, int curve, const char* filename, int filename_length,
                      long long max_elements, bool with_sigma) {
  // The name is exactly filename_length characters; one with a NUL inside cannot name
  // any file.
  if (!filename || filename_length <= 0) return -3;
  const std::string name(filename, static_cast<std::size_t>(filename_length));
  if (name.find('\0') != std::string::npos) return -3;

  // Only a regular file (or a link to one) can be read twice, for counting and reading;
  // a FIFO or a device is refused before anything could block or stream without end.
  file_problem problem;
  const int fd = open_input_file(name, static_cast<std::size_t>(-1), problem);
  if (fd < 0) return -3;
  file_ptr f(::fdopen(fd, "rb"));
  if (!f) {
    ::close(fd);
    return -3;
  }

  const long long count = is_length(f.get());
  if (count < 1) return -2;

  if (count > max_elements) {
    show_error_("Impossible to allocate memory", "Subroutine: read_data", "Table: x");
    return 0;
  }
  const auto elements = static_cast<std::size_t>(count);
  // Left uninitialised: only the pairs actually read are touched.
  std::unique_ptr<double[]> x(new (std::nothrow) double[elements]);
  if (!x) {
    show_error_("Impossible to allocate memory", "Subroutine: read_data", "Table: x");
    return 0;
  }
  std::unique_ptr<double[]> y(new (std::nothrow) double[elements]);
  if (!y) {
    show_error_("Impossible to allocate memory", "Subroutine: read_data", "Table: y");
    return 0;
  }

  // The deviations are optional: without room for them the file reads without.
  std::unique_ptr<double[]> s(with_sigma ? new (std::nothrow) double[elements] : nullptr);
  bool all_third = s != nullptr;

  std::rewind(f.get());
  byte_source in(f.get());
  long long n = 0;
  for (bool third = false; n < count && read_pair(in, x[n], y[n], s ? &s[n] : nullptr, &third); ++n)
    all_third = all_third && third;
  f.reset();

  if (n == 0) return -1;
  save_curve_(static_cast<int>(n), x.get(), y.get(), calc, curve);
  if (all_third) save_sigma_(static_cast<int>(n), s.get(), calc, curve);
  return static_cast<int>(n);
}

}  // namespace readfiles_detail

long long is_length(std::FILE* unit) {
  std::rewind(unit);
  std::unique_ptr<char[]> buf(new char[chunk_size]);
  long long lines = 0;
  char last = '\n';
  for (;;) {
    const std::size_t got = std::fread(buf.get(), 1, chunk_size, unit);
    if (got == 0) break;
    const char* p = buf.get();
    const char* end = p + got;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr) {
      ++lines;
      ++p;
    }
    last = buf[got - 1];
    if (got < chunk_size) break;
  }
  if (last != '\n') ++lines;  // a last line without a newline
  return lines;
}

int read_data(int calc, int curve, const char* filename, int filename_length) {
  // n is an int, and each array must be addressable in bytes.
  constexpr long long limit = static_cast<long long>(
      std::min<std::uintmax_t>(INT_MAX, PTRDIFF_MAX / sizeof(double)));
  return readfiles_detail::read_data_bounded(calc, curve, filename, filename_length, limit);
}

int read_data_sigma(int calc, int curve, const char* filename, int filename_length) {
  constexpr long long limit = static_cast<long long>(
      std::min<std::uintmax_t>(INT_MAX, PTRDIFF_MAX / sizeof(double)));
  return readfiles_detail::read_data_bounded(calc, curve, filename, filename_length, limit, true);
}
