// Reader of (x, y) data files.
//
// A data file is plain text holding value pairs in free format. Each pair is read from the
// start of the next unread line: two numbers separated by blanks, tabs, line ends and at
// most one comma; blank lines are passed over, a pair may be split over lines, and the
// rest of the line after the second number is ignored. The first token that is not a
// number (or the end of the file) ends the reading; the pairs before it are kept.
//
// Nothing in the file is trusted: it is read once, from one descriptor, up to a bound that
// holds while reading; the arrays grow with the pairs actually read (pairs <= lines), and
// a token longer than any sensible number is simply not a number.
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
#include <vector>

#include "numeric/callbacks.h"
#include "numeric/safe_files.h"

namespace {

// Longest token taken as a number; longer ones are rejected without being buffered.
constexpr std::size_t max_token = 512;
constexpr std::size_t chunk_size = 64 * 1024;


bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The bytes of a file read into memory, scanned once.
class byte_source {
 public:
  byte_source(const char* data, std::size_t size) : data_(data), len_(size) {}

  int peek() const { return pos_ < len_ ? static_cast<unsigned char>(data_[pos_]) : -1; }
  int get() {
    int c = peek();
    if (c >= 0) ++pos_;
    return c;
  }
  void skip_blanks() {
    while (pos_ < len_ && is_blank(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  }
  // Blanks and tabs only: stays on the line.
  void skip_spaces() {
    while (pos_ < len_ && (data_[pos_] == ' ' || data_[pos_] == '\t')) ++pos_;
  }
  // Consumes everything up to and including the next line end.
  void skip_line() {
    const void* nl = std::memchr(data_ + pos_, '\n', len_ - pos_);
    pos_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data_) + 1 : len_;
  }
  // Reads a token (up to a blank, tab, CR, LF or comma) and parses it as a number.
  bool read_number(double& value) {
    const std::size_t start = pos_;
    for (int c = peek(); c >= 0 && !is_blank(c) && c != ','; c = peek()) {
      if (pos_ - start == max_token) return false;
      ++pos_;
    }
    return readfiles_detail::parse_number(data_ + start, pos_ - start, value);
  }

 private:
  const char* data_;
  std::size_t len_;
  std::size_t pos_ = 0;
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

  // Up to 15 significant digits and a power of ten within 10^±22: the digits as an integer
  // and the power are exact doubles, so one multiplication or division rounds correctly, as
  // from_chars does (most numbers of a data file take this way).
  if (int_digits + frac_digits <= 15) {
    const long power = exponent - static_cast<long>(frac_digits);
    if (power >= -22 && power <= 22) {
      static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
      std::uint64_t digits = 0;
      for (std::size_t k = mant_begin; k < mant_end; ++k)
        if (s[k] != '.') digits = digits * 10 + static_cast<std::uint64_t>(s[k] - '0');
      const auto m = static_cast<double>(digits);
      const double v = power >= 0 ? m * powers[power] : m / powers[-power];
      value = negative ? -v : v;
      return true;
    }
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

int read_bytes_bounded(int calc, int curve, const char* data, std::size_t size, long long max_elements,
                       bool with_sigma) {
  if (size == 0) return -2;
  if (!data) return -1;
  // The arrays grow with the pairs actually read: a file of empty lines or a header
  // allocates nothing.
  std::vector<double> x, y, s;
  byte_source in(data, size);
  double a = 0.0, b = 0.0, c = 0.0;
  bool all_third = with_sigma, third = false;
  try {
    while (read_pair(in, a, b, with_sigma ? &c : nullptr, &third)) {
      if (static_cast<long long>(x.size()) >= max_elements) {
        show_error_("Impossible to allocate memory", "Subroutine: read_data", "Table: x");
        return 0;
      }
      x.push_back(a);
      y.push_back(b);
      all_third = all_third && third;
      if (all_third) s.push_back(c);
    }
  } catch (const std::bad_alloc&) {
    show_error_("Impossible to allocate memory", "Subroutine: read_data", x.size() == y.size() ? "Table: x" : "Table: y");
    return 0;
  }
  if (x.empty()) return -1;
  save_curve_(static_cast<int>(x.size()), x.data(), y.data(), calc, curve);
  if (all_third) save_sigma_(static_cast<int>(s.size()), s.data(), calc, curve);
  return static_cast<int>(x.size());
}

int read_data_bounded(int calc, int curve, const char* filename, int filename_length,
                      long long max_elements, bool with_sigma) {
  // The name is exactly filename_length characters; one with a NUL inside cannot name
  // any file.
  if (!filename || filename_length <= 0) return -3;
  const std::string name(filename, static_cast<std::size_t>(filename_length));
  if (name.find('\0') != std::string::npos) return -3;
  // Read once, from one descriptor, at most data_max_bytes (also when the file grows
  // while it is read); a FIFO or a device is refused before anything could block.
  std::vector<uint8_t> bytes;
  const file_problem problem = read_input_file(name, data_max_bytes, bytes);
  if (problem == file_problem::no_memory) {
    show_error_("Impossible to allocate memory", "Subroutine: read_data", "Table: x");
    return 0;
  }
  if (problem != file_problem::none) return -3;
  return read_bytes_bounded(calc, curve, reinterpret_cast<const char*>(bytes.data()), bytes.size(), max_elements,
                            with_sigma);
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

namespace {

// n is an int, and each array must be addressable in bytes.
constexpr long long max_pairs =
    static_cast<long long>(std::min<std::uintmax_t>(INT_MAX, PTRDIFF_MAX / sizeof(double)));

}  // namespace

int read_data(int calc, int curve, const char* filename, int filename_length) {
  return readfiles_detail::read_data_bounded(calc, curve, filename, filename_length, max_pairs);
}

int read_data_sigma(int calc, int curve, const char* filename, int filename_length) {
  return readfiles_detail::read_data_bounded(calc, curve, filename, filename_length, max_pairs, true);
}

int read_data_bytes(int calc, int curve, const char* data, std::size_t size, bool with_sigma) {
  return readfiles_detail::read_bytes_bounded(calc, curve, data, size, max_pairs, with_sigma);
}
