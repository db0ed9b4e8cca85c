// Writer of curve data files (two columns, four columns, Grace project file).
//
// Grace files start with axis and legend commands. The legend commands are the ones the
// Grace parser accepts ("legend on", "s<k> legend ..."); the axis legends come from two
// label tables indexed by calculation and curve.
#include "numeric/writedata.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>
#include <vector>

#include "numeric/safe_files.h"

namespace {

constexpr int xlegend_width = 65;
constexpr int ylegend_width = 35;
constexpr int field_width = 20;

// The file started by prep_file and filled by append_to_file. One left open at exit keeps
// the sets written to it.
struct committing_file : safe_output {
  ~committing_file() { commit(); }
};
committing_file multi_set_file;

bool valid_name(int length, const char* name, std::string& out) {
  if (!name || length <= 0) return false;
  out.assign(name, static_cast<std::size_t>(length));
  return out.find('\0') == std::string::npos;
}

bool valid_data(int n, const double* x, const double* y, int format) {
  return n >= 0 && (n == 0 || (x && y)) && format >= 0 && format <= 2;
}

std::string padded(std::string text, int width) {
  if (static_cast<int>(text.size()) < width) text.append(width - text.size(), ' ');
  return text;
}

// |v| * 1e10 rounded to an integer as "%.10f" rounds it: from the exact binary value, ties
// to even. v = m 2^e exactly, so |v| 1e10 = m 1e10 / 2^-e with m 1e10 < 2^87: one 128-bit
// product and shift instead of the general decimal conversion. False for |v| >= 1e9 (the
// field would not fit anyway) and for values that are not finite.
bool scaled_by_1e10(double v, std::uint64_t& q) {
  const double a = std::fabs(v);
  if (!(a < 1e9)) return false;
  std::uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;  // subnormal
  if (biased != 0) {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  const unsigned __int128 s = static_cast<unsigned __int128>(m) * 10000000000ULL;
  if (e >= 0) {  // only reached for |v| >= 2^52, excluded above; kept for completeness
    q = static_cast<std::uint64_t>(s << e);
    return true;
  }
  const int shift = -e;
  if (shift >= 128) {  // s / 2^shift < 2^-41: rounds to 0
    q = 0;
    return true;
  }
  unsigned __int128 whole = s >> shift;
  const unsigned __int128 rest = s - (whole << shift), half = static_cast<unsigned __int128>(1) << (shift - 1);
  if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
  q = static_cast<std::uint64_t>(whole);
  return true;
}

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The digits of a value whose scaled_by_1e10 is q, written backwards so that they end at
// end: sign, whole part, '.', ten decimals. The first character written.
char* fixed10_backwards(char* end, bool negative, std::uint64_t q) {
  auto whole = static_cast<std::uint32_t>(q / 10000000000ULL);  // below 1e9 + 1
  const std::uint64_t decimals = q - std::uint64_t{whole} * 10000000000ULL;
  const auto high = static_cast<std::uint32_t>(decimals / 100000000);  // two digits
  const auto low = static_cast<std::uint32_t>(decimals - std::uint64_t{high} * 100000000);
  const std::uint32_t low_hi = low / 10000, low_lo = low % 10000;
  char* p = end - 10;
  std::memcpy(p, digit_pairs + 2 * high, 2);
  std::memcpy(p + 2, digit_pairs + 2 * (low_hi / 100), 2);
  std::memcpy(p + 4, digit_pairs + 2 * (low_hi % 100), 2);
  std::memcpy(p + 6, digit_pairs + 2 * (low_lo / 100), 2);
  std::memcpy(p + 8, digit_pairs + 2 * (low_lo % 100), 2);
  *--p = '.';
  while (whole >= 100) {
    p -= 2;
    std::memcpy(p, digit_pairs + 2 * (whole % 100), 2);
    whole /= 100;
  }
  if (whole >= 10) {
    p -= 2;
    std::memcpy(p, digit_pairs + 2 * whole, 2);
  } else {
    *--p = static_cast<char>('0' + whole);
  }
  if (negative) *--p = '-';
  return p;
}

// Length of "%.10f" of a value whose scaled_by_1e10 is q.
int fixed10_length(double v, std::uint64_t q) {
  int digits = 1;
  for (std::uint64_t whole = q / 10000000000ULL; whole >= 10; whole /= 10) ++digits;
  return (std::signbit(v) ? 1 : 0) + digits + 11;
}

// "%.10f" of v into buf (at least 32 bytes) for |v| < 1e9; its length, or 0 otherwise.
int fixed10(double v, char* buf) {
  std::uint64_t q;
  if (!scaled_by_1e10(v, q)) return 0;
  // Digits end in the middle of text, so that one copy of a fixed size takes them.
  char text[64] = {};
  char* const end = text + 32;
  const char* start = fixed10_backwards(end, std::signbit(v), q);
  std::memcpy(buf, start, 32);
  return static_cast<int>(end - start);
}

// The field of a value "%20.10f" does not hold: exponent notation ("1.00000000000000e+09",
// as many digits as the field takes), which every reader of these files reads back; 20
// asterisks for a value that is not finite (the steps fail before such a value reaches a
// file).
void put_exponent_field(char* field, double v) {
  if (!std::isfinite(v)) {
    std::memset(field, '*', field_width);
    return;
  }
  char buf[64];
  int len;
  // The digits after the point: the field less sign, "d.", "e+dd" (or "e+ddd").
  int digits = field_width - (v < 0.0) - 2 - (std::fabs(v) >= 1e100 || std::fabs(v) < 1e-99 ? 5 : 4);
  std::to_chars_result r;
  do {
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits--);
    len = static_cast<int>(r.ptr - buf);
  } while (len > field_width);  // rounding up carried into a longer exponent
  // Near the largest double, rounding up can pass it: the last digit is taken down so that
  // the text still reads as a finite number.
  double back;
  if (std::from_chars(buf, buf + len, back).ec == std::errc::result_out_of_range) {
    char* last = static_cast<char*>(std::memchr(buf, 'e', len)) - 1;
    if (*last > '0') --*last;
  }
  std::memset(field, ' ', static_cast<std::size_t>(field_width - len));
  std::memcpy(field + field_width - len, buf, static_cast<std::size_t>(len));
}

// One number in the field_width characters at field: "%20.10f" when that holds the value,
// else exponent notation. A value that "%20.10f" would show as zero without being zero
// counts as not held.
void put_field(char* field, double v) {
  std::uint64_t q;
  if (scaled_by_1e10(v, q) && (q != 0 || v == 0.0)) {
    // The text is right-aligned in the last field_width characters of text, blanks before
    // it, so that one copy of a fixed size fills the field.
    char text[32];
    char* const end = text + sizeof text;
    std::memset(end - field_width, ' ', field_width);
    const char* start = fixed10_backwards(end, std::signbit(v), q);
    if (end - start <= field_width) {
      std::memcpy(field, end - field_width, field_width);
      return;
    }
  }
  put_exponent_field(field, v);
}

void append_field(std::string& out, double v) {
  const std::size_t at = out.size();
  out.resize(at + field_width);
  put_field(out.data() + at, v);
}

void append_line(std::string& out, double x, double y, int format) {
  append_field(out, x);
  out += "   ";
  append_field(out, y);
  if (format == 1) out += "   0.0   1.0";
}

// The abscissa fields of the last grids written: a batch writes the same Q and r grids
// for every pattern, and several curves share one.
struct abscissa_fields {
  std::vector<double> x;
  std::string fields;  // field_width characters per point
};
abscissa_fields recent_grids[2];

const std::string& abscissa_text(int n, const double* x) {
  const auto count = static_cast<std::size_t>(n);
  // Bit for bit: -0.0 and 0.0 are written differently.
  for (abscissa_fields& g : recent_grids)
    if (g.x.size() == count && (count == 0 || std::memcmp(g.x.data(), x, count * sizeof(double)) == 0))
      return g.fields;
  std::swap(recent_grids[0], recent_grids[1]);  // the older one is replaced
  abscissa_fields& g = recent_grids[0];
  g.x.assign(x, x + count);
  g.fields.clear();
  g.fields.reserve(count * field_width);
  for (std::size_t i = 0; i < count; ++i) append_field(g.fields, x[i]);
  return g.fields;
}

// Every line has the same length: each field is field_width characters.
std::string data_lines(int n, const double* x, const double* y, const double* sigma, int format) {
  const std::string& xs = abscissa_text(n, x);
  const std::size_t line = 2 * field_width + 3 + (format == 1 ? 12 : 0) + (sigma ? field_width + 3 : 0) + 1;
  std::string out(static_cast<std::size_t>(n) * line, ' ');
  char* p = out.data();
  for (int i = 0; i < n; ++i) {
    std::memcpy(p, xs.data() + static_cast<std::size_t>(i) * field_width, field_width);
    p += field_width + 3;
    put_field(p, y[i]);
    p += field_width;
    if (format == 1) {
      std::memcpy(p, "   0.0   1.0", 12);
      p += 12;
    }
    if (sigma) {
      put_field(p + 3, sigma[i]);
      p += field_width + 3;
    }
    *p++ = '\n';
  }
  return out;
}

// The Grace set type: points with an error bar in y when sigma is given.
const char* grace_type(bool bar, bool sigma) {
  if (sigma) return bar ? "@type bardy\n" : "@type xydy\n";
  return bar ? "@type bar\n" : "@type xy\n";
}

// Header lines 1 to 17; the y label line only for a single-set file.
std::string grace_header(int xlog, int ylog, int calc, int curve, bool y_label) {
  std::string h;
  h += "@with g0\n";
  h += "@    xaxis label \"" + xlegend(calc, curve, 2) + "\n";
  h += "@    xaxis tick on\n";
  if (xlog == 1) h += "@    xaxes scale Logarithmic\n";
  h += "@    xaxis tick major size 1.000000\n";
  h += "@    xaxis tick minor size 0.500000\n";
  h += "@    xaxis ticklabel on\n";
  h += "@    xaxis ticklabel char size 0.800000\n";
  if (y_label) h += "@    yaxis label " + ylegend(calc, curve, 2) + "\n";
  h += "@    yaxis tick on\n";
  if (ylog == 1) h += "@    yaxes scale Logarithmic\n";
  h += "@    yaxis tick major size 1.000000\n";
  h += "@    yaxis tick minor size 0.500000\n";
  h += "@    yaxis ticklabel on\n";
  h += "@    yaxis ticklabel char size 0.800000\n";
  h += "@    legend on\n";
  h += "@    legend box linestyle 0\n";
  return h;
}

}  // namespace

std::string charint(int value) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string xlegend(int calc, int curve, int format) {
  if (format != 2) return std::string(xlegend_width, ' ');
  const char* text;
  if (calc == 3 && curve > 0)
    text = "r[\\cE\\C]";
  else if (calc == 0 && curve == 3)
    text = "Q[\\cE\\C\\S-1\\N]";
  else if (calc <= 0)
    text = "2\\f{12}q\\f{}\\C or Q[\\cE\\C\\S-1\\N]";
  else
    text = "Q[\\cE\\C\\S-1\\N]";
  return padded(std::string(text) + '"', xlegend_width);
}

std::string ylegend(int calc, int curve, int format) {
  if (format != 2) return std::string(ylegend_width, ' ');
  static const char* const raw[] = {"Raw data", "Background scattering",
                                    "Substrate/cell scattering", "Corrected data"};
  static const char* const sq[] = {"Corrected intensity", "Q[S(Q)-1]", "S(Q)"};
  static const char* const bq[] = {"Raw Q[S(Q)-1]", "Corrected Q[S(Q)-1]"};
  static const char* const gr[] = {"Q[S(Q)-1]", "G(r)", "g(r)- rho[exp]",
                                   "g(r)- rho[slope G(r)]", "R(r)"};
  const char* const* table = gr;
  int count = 5;
  if (calc == 0) table = raw, count = 4;
  else if (calc == 1) table = sq, count = 3;
  else if (calc == 2) table = bq, count = 2;
  // Grace wants a string on every label and legend line: an empty one for a curve
  // without a name.
  const char* name = curve >= 0 && curve < count ? table[curve] : "";
  return padded(std::string("\"") + name + '"', ylegend_width);
}

std::string data_line(double x, double y, int format) {
  std::string line;
  append_line(line, x, y, format);
  return line;
}

std::string data_line(double x, double y, double sigma, int format) {
  std::string line = data_line(x, y, format);
  line += "   ";
  append_field(line, sigma);
  return line;
}

int format_fixed10(double v, char* out) { return fixed10(v, out); }

double written_value(double v) {
  std::uint64_t q;
  if (scaled_by_1e10(v, q) && (q != 0 || v == 0.0)) {
    // Below 2^53 both q and 1e10 are exact doubles and the quotient is correctly rounded:
    // the nearest double to the decimal written, as a reader's conversion gives. Such a
    // value (below 1e6) always fits the field.
    if (q < (std::uint64_t{1} << 53)) return std::copysign(static_cast<double>(q) / 1e10, v);
  }
  if (scaled_by_1e10(v, q) && fixed10_length(v, q) <= field_width && (q != 0 || v == 0.0)) {
    char buf[32];
    const int len = fixed10(v, buf);
    double back = 0.0;
    std::from_chars(buf, buf + len, back);
    return back;
  }
  if (!std::isfinite(v)) return std::numeric_limits<double>::quiet_NaN();
  // The field in exponent notation, read back.
  std::string field;
  append_field(field, v);
  const std::size_t start = field.find_first_not_of(' ');
  double back = 0.0;
  std::from_chars(field.data() + start, field.data() + field.size(), back);
  return back;
}

double written_value(double v, char* text, int& length) {
  std::uint64_t q;
  if (scaled_by_1e10(v, q) && (q != 0 || v == 0.0) && q < (std::uint64_t{1} << 53)) {
    // The value read back, w, is the nearest double to the decimal q 1e-10, closer to it
    // than 1e-10 / 2 (below 2^19 its spacing is at most 2^-34; above, v itself is the
    // nearest double): "%.10f" of w gives the same digits, and the same sign.
    char buf[64] = {};
    char* const end = buf + 32;
    const char* start = fixed10_backwards(end, std::signbit(v), q);
    std::memcpy(text, start, 32);
    length = static_cast<int>(end - start);
    return std::copysign(static_cast<double>(q) / 1e10, v);
  }
  const double w = written_value(v);
  length = std::isfinite(w) ? fixed10(w, text) : 0;
  return w;
}

int save_to_file(int filename_length, const char* filename, int n, const double* x,
                 const double* y, int xlog, int ylog, int bar, int calc, int curve, int format,
                 const double* sigma) {
  std::string name;
  if (!valid_name(filename_length, filename, name) || !valid_data(n, x, y, format)) return 0;
  std::string text;
  if (format == 2) {
    text = grace_header(xlog, ylog, calc, curve, true);
    text += "@    s0 legend  " + ylegend(calc, curve, format) + "\n";
    text += "@target G0.S0\n";
    text += grace_type(bar != 0, sigma != nullptr);
  }
  safe_output file;
  if (!file.open(name)) return 0;
  if (!file.write(text) || !file.write(data_lines(n, x, y, n > 0 ? sigma : nullptr, format))) return 0;
  return file.commit() ? 1 : 0;
}

int prep_file(int filename_length, const char* filename, int format, int xlog, int ylog,
              int calc, int curve) {
  close_data_file();
  std::string name;
  if (!valid_name(filename_length, filename, name) || format < 0 || format > 2) return 0;
  if (!multi_set_file.open(name)) return 0;
  if (format == 2 && !multi_set_file.write(grace_header(xlog, ylog, calc, curve, false)))
    return 0;
  return 1;
}

int append_to_file(int n, const double* x, const double* y, int bar, int calc, int curve,
                   int format, int set, int nsets, const double* sigma) {
  if (!multi_set_file.is_open() || !valid_data(n, x, y, format)) return 0;
  std::string text;
  if (format == 2) {
    const std::string k = charint(set);
    text += " @target G0.S" + k + "\n";
    text += " @s" + k + " legend " + ylegend(calc, curve, format) + "\n";
    if (bar == 1) text += " @s" + k + " line linestyle 0\n";
    text += grace_type(bar == 1, sigma != nullptr);
  }
  text += data_lines(n, x, y, n > 0 ? sigma : nullptr, format);
  text += '\n';
  if (!multi_set_file.write(text)) return 0;
  // The last announced set completes the file (a set number past it as well, so that a
  // miscounted caller cannot leave the file open).
  if (set >= nsets - 1) return multi_set_file.commit() ? 1 : 0;
  return 1;
}

int close_data_file() {
  if (!multi_set_file.is_open()) return 1;
  return multi_set_file.commit() ? 1 : 0;
}
