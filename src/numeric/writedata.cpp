// Writer of curve data files (two columns, four columns, Grace project file).
//
// Grace files start with axis and legend commands. The legend commands are the ones the
// Grace parser accepts ("legend on", "s<k> legend ..."); the axis legends come from two
// label tables indexed by calculation and curve.
#include "numeric/writedata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr int xlegend_width = 65;
constexpr int ylegend_width = 35;
constexpr int field_width = 20;

// A file written under a temporary name beside its target and renamed over the target
// when complete; dropped (the target untouched) when anything fails.
class safe_file {
 public:
  safe_file() = default;
  safe_file(const safe_file&) = delete;
  safe_file& operator=(const safe_file&) = delete;
  ~safe_file() { discard(); }

  bool is_open() const { return f_ != nullptr; }

  bool open(const std::string& target) {
    discard();
    namespace fs = std::filesystem;
    std::error_code ec;
    target_ = target;
    // Replace the file a link points to, not the link itself.
    if (fs::is_symlink(fs::path(target), ec)) {
      fs::path real = fs::canonical(fs::path(target), ec);
      if (!ec) target_ = real.string();
    }
    mode_t mode = 0666;
    struct stat st;
    const bool existed = ::stat(target_.c_str(), &st) == 0;
    if (existed) {
      // A file the user may not write is not replaced behind its back.
      if (::access(target_.c_str(), W_OK) != 0) return false;
      mode = st.st_mode & 07777;
    }

    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      temp_ = target_ + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
      int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        break;
      }
      if (existed) (void)::fchmod(fd, mode);  // keep the permissions of the file replaced
      f_ = ::fdopen(fd, "wb");
      if (!f_) {
        ::close(fd);
        ::unlink(temp_.c_str());
        break;
      }
      return true;
    }
    temp_.clear();
    return false;
  }

  // False (and the file dropped) on a failed write.
  bool write(const std::string& s) {
    if (!f_) return false;
    if (std::fwrite(s.data(), 1, s.size(), f_) != s.size()) {
      discard();
      return false;
    }
    return true;
  }

  // Flushes, closes and renames over the target.
  bool commit() {
    if (!f_) return false;
    bool ok = std::fflush(f_) == 0 && !std::ferror(f_) && ::fsync(::fileno(f_)) == 0;
    ok = (std::fclose(f_) == 0) && ok;
    f_ = nullptr;
    if (ok) ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    temp_.clear();
    return ok;
  }

  void discard() {
    if (!f_) return;
    std::fclose(f_);
    f_ = nullptr;
    ::unlink(temp_.c_str());
    temp_.clear();
  }

 private:
  std::FILE* f_ = nullptr;
  std::string target_, temp_;
};

// The file started by prep_file and filled by append_to_file. One left open at exit keeps
// the sets written to it.
struct committing_file : safe_file {
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

// "%20.10f", or 20 asterisks when the value does not fit or is not finite (a "nan" or
// "inf" in the file would stop the readers of these files).
void append_field(std::string& out, double v) {
  char buf[64];
  if (std::isfinite(v)) {
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 10);
    const auto len = static_cast<int>(r.ptr - buf);
    if (r.ec == std::errc() && len <= field_width) {
      out.append(field_width - len, ' ');
      out.append(buf, len);
      return;
    }
  }
  out.append(field_width, '*');
}

std::string data_lines(int n, const double* x, const double* y, int format) {
  std::string out;
  out.reserve(static_cast<std::size_t>(n) * 56);
  for (int i = 0; i < n; ++i) {
    out += data_line(x[i], y[i], format);
    out += '\n';
  }
  return out;
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
                                   "g(r)- rho[slope G(r)]"};
  const char* const* table = gr;
  int count = 4;
  if (calc == 0) table = raw, count = 4;
  else if (calc == 1) table = sq, count = 3;
  else if (calc == 2) table = bq, count = 2;
  if (curve < 0 || curve >= count) return std::string(ylegend_width, ' ');
  return padded(std::string("\"") + table[curve] + '"', ylegend_width);
}

std::string data_line(double x, double y, int format) {
  std::string line;
  append_field(line, x);
  line += "   ";
  append_field(line, y);
  if (format == 1) line += "   0.0   1.0";
  return line;
}

int save_to_file(int filename_length, const char* filename, int n, const double* x,
                 const double* y, int xlog, int ylog, int bar, int calc, int curve, int format) {
  std::string name;
  if (!valid_name(filename_length, filename, name) || !valid_data(n, x, y, format)) return 0;
  std::string text;
  if (format == 2) {
    text = grace_header(xlog, ylog, calc, curve, true);
    text += "@    s0 legend  " + ylegend(calc, curve, format) + "\n";
    text += "@target G0.S0\n";
    text += bar != 0 ? "@type bar\n" : "@type xy\n";
  }
  safe_file file;
  if (!file.open(name)) return 0;
  if (!file.write(text) || !file.write(data_lines(n, x, y, format))) return 0;
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
                   int format, int set, int nsets) {
  if (!multi_set_file.is_open() || !valid_data(n, x, y, format)) return 0;
  std::string text;
  if (format == 2) {
    const std::string k = charint(set);
    text += " @target G0.S" + k + "\n";
    text += " @s" + k + " legend " + ylegend(calc, curve, format) + "\n";
    if (bar == 1) text += " @s" + k + " line linestyle 0\n";
    text += bar == 1 ? "@type bar\n" : "@type xy\n";
  }
  text += data_lines(n, x, y, format);
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
