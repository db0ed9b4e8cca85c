#include "numeric/writedata.h"
#include "numeric/readfiles.h"
#include "numeric/recorder.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

static int save(const std::string& name, std::vector<double> x, std::vector<double> y, int xlog,
         int ylog, int bar, int calc, int curve, int format, const double* sigma = nullptr) {
  return save_to_file(static_cast<int>(name.size()), name.data(), static_cast<int>(x.size()),
                      x.data(), y.data(), xlog, ylog, bar, calc, curve, format, sigma);
}

static int prep(const std::string& name, int format, int xlog, int ylog, int calc, int curve) {
  return prep_file(static_cast<int>(name.size()), name.data(), format, xlog, ylog, calc, curve);
}

static int append(std::vector<double> x, std::vector<double> y, int bar, int calc, int curve,
           int format, int set, int nsets, const double* sigma = nullptr) {
  return append_to_file(static_cast<int>(x.size()), x.data(), y.data(), bar, calc, curve, format, set, nsets, sigma);
}

static std::string blanks(int n) { return std::string(n, ' '); }

// Grace files written out from the format table (labels padded to their fixed widths).
static std::string golden(const char* name) { return slurp(std::string(AMOQ_TEST_DATA "/grace/") + name); }

const std::string line01 = blanks(8) + "0.0000000000   " + blanks(8) + "1.0000000000\n";  // (0, 1)

TEST(WriteData, DataLines) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::string stars(20, '*');
  struct { double x, y; int format; std::string line; } cases[] = {
      {1.5, -2.25, 1, blanks(8) + "1.5000000000" + blanks(3) + blanks(7) + "-2.2500000000   0.0   1.0"},
      {999999999.5, -99999999.5, 0, "999999999.5000000000   -99999999.5000000000"},
      // Too wide, or shown as zero: exponent notation filling the same 20 characters.
      {1e9, -1e8, 0, "1.00000000000000e+09   -1.0000000000000e+08"},
      {1e15, 1e300, 1, "1.00000000000000e+15   1.0000000000000e+300   0.0   1.0"},
      {-4e-11, 1e-300, 0, "-4.0000000000000e-11   1.0000000000000e-300"},
      {std::numeric_limits<double>::max(), -0.0, 0, "1.7976931348623e+308   " + blanks(7) + "-0.0000000000"},
      {nan, inf, 0, stars + "   " + stars}, {-inf, 2, 0, stars + "   " + blanks(8) + "2.0000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(data_line(c.x, c.y, c.format), c.line) << c.x;

  // What fits matches the C library's "%20.10f", exact binary ties at the eleventh decimal
  // (k / 2^n) rounding to even like it; tiny, subnormal and too wide values are in exponent
  // notation. What a reader gets back from a field is written_value: the field's decimal
  // read by the C library.
  std::mt19937_64 gen(11);
  char ref[128];
  std::uniform_int_distribution<long long> k(-(1LL << 40), 1LL << 40);
  std::uniform_int_distribution<int> n(0, 60);
  const double specials[] = {0.0, -0.0, 5e-324, -1e-300, 0.00048828125, -2.5e-11, 0.5e-10,
                             999999999.99999999, -99999999.99999999, 123456.78901234567};
  for (int i = 0; i < 3000; ++i) {
    const double v = i < 10 ? specials[i] : std::ldexp(static_cast<double>(k(gen)), -n(gen));
    std::snprintf(ref, sizeof ref, "%20.10f", v);
    const std::string line = data_line(v, 0.0, 0);
    if (std::strlen(ref) <= 20 && (v == 0.0 || std::string(ref).find_first_of("123456789") != std::string::npos)) {
      EXPECT_EQ(line.substr(0, 20), ref) << v;
    }
    const double back = written_value(v), read = std::strtod(line.substr(0, 20).c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&back, &read, sizeof back), 0) << v;
  }
  // written_value with the digits of the value written: those format_fixed10 gives of it.
  std::uniform_real_distribution<double> magnitude(-14.0, 10.0);
  for (int i = 0; i < 20000; ++i) {
    const double v = i < 10 ? specials[i] : (i % 2 ? -1 : 1) * std::pow(10.0, magnitude(gen));
    char text[32], ref_text[32];
    int len = -1;
    const double w = written_value(v, text, len), ref_w = written_value(v);
    ASSERT_EQ(std::memcmp(&w, &ref_w, sizeof w), 0) << v;
    const int ref_len = format_fixed10(ref_w, ref_text);
    ASSERT_EQ(std::string(text, len), std::string(ref_text, ref_len)) << v;
  }
}

// Huge and tiny values come back from every format: dat and dat4 through the program's
// reader (13 significant digits or more, or the fixed format's 1e-10), agr through Grace's own
// reading and writing (its 8 digits; make test installs Grace: a missing one fails).
TEST(WriteData, ValuesReadBack) {
  const double big = std::numeric_limits<double>::max();
  const std::vector<double> x = {1e9, -1e8, 1e15, big, -big, 1e-300, -3e-11, 6e-11, 0.0, 123.456789},
                            y = {-1e300, 2.5e-20, 5e-324, 1.25, -9.87654321e12, -0.0, 7e9, -7e-15, 1e100, 1e-99};
  scratch_dir dir;
  for (int format : {0, 1}) {
    const std::string f = dir.file("v.dat");
    ASSERT_EQ(save(f, x, y, 0, 0, 0, 0, 3, format), 1);
    numeric_recorder rec;
    ASSERT_EQ(read_data(0, 3, f.data(), static_cast<int>(f.size())), static_cast<int>(x.size()));
    for (size_t i = 0; i < x.size(); ++i) {
      EXPECT_NEAR(rec.curves[0].x[i], x[i], std::max(5e-11, 1e-12 * std::fabs(x[i]))) << format << " " << i;
      EXPECT_NEAR(rec.curves[0].y[i], y[i], std::max(5e-11, 1e-12 * std::fabs(y[i]))) << format << " " << i;
      EXPECT_EQ(rec.curves[0].x[i] == 0.0, x[i] == 0.0);  // nothing non-zero becomes zero
    }
  }
  ASSERT_EQ(std::system("command -v gracebat >/dev/null 2>&1"), 0) << "gracebat not installed";
  const std::string g = dir.file("v.agr");
  ASSERT_EQ(save(g, x, y, 0, 0, 0, 3, 4, 2), 1);
  const std::string cmd = "gracebat -nosafe -noprint '" + g + "' -saveall '" + g + ".out' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::istringstream back(slurp(g + ".out"));
  size_t i = 0;
  for (std::string line; std::getline(back, line);) {
    double a, b;
    if (line.empty() || line[0] == '@' || line[0] == '#' || std::sscanf(line.c_str(), "%lf %lf", &a, &b) != 2) continue;
    ASSERT_LT(i, x.size());
    EXPECT_NEAR(a, x[i], 1e-7 * std::fabs(x[i]) + 1e-10) << i;
    if (std::fabs(y[i]) > 1e-300) {  // Grace reads subnormals as 0
      EXPECT_NEAR(b, y[i], 1e-7 * std::fabs(y[i]) + 1e-10) << i;
    }
    ++i;
  }
  EXPECT_EQ(i, x.size());
}

// Whole files, byte for byte.
TEST(WriteData, SingleSetFiles) {
  scratch_dir dir;
  const std::string a = dir.file("a.dat");
  ASSERT_EQ(save(a, {0}, {1}, 0, 0, 0, 0, 3, 0), 1);
  EXPECT_EQ(slurp(a), line01);

  ASSERT_EQ(save(a, {1.5, 0}, {-2.25, 1}, 1, 1, 1, 0, 3, 1), 1);  // replaces the file
  EXPECT_EQ(slurp(a), blanks(8) + "1.5000000000   " + blanks(7) + "-2.2500000000   0.0   1.0\n" +
                          blanks(8) + "0.0000000000   " + blanks(8) + "1.0000000000   0.0   1.0\n");

  const std::string g = dir.file("raw.agr"), r = dir.file("gr.agr");
  ASSERT_EQ(save(g, {0}, {1}, 0, 0, 0, 0, 0, 2), 1);
  EXPECT_EQ(slurp(g), golden("raw.agr"));
  ASSERT_EQ(save(r, {1.5}, {-2.25}, 0, 1, 1, 3, 1, 2), 1);
  EXPECT_EQ(slurp(r), golden("gr.agr"));

  // Legend branches the files above do not reach.
  EXPECT_EQ(xlegend(0, 3, 2), "Q[\\cE\\C\\S-1\\N]\"" + blanks(50));
  EXPECT_EQ(ylegend(1, 3, 2), "\"\"" + blanks(33));  // no name: an empty string
  EXPECT_EQ(ylegend(3, 4, 2), "\"R(r)\"" + blanks(29));
  EXPECT_EQ(ylegend(9, 3, 2), "\"g(r)- rho[slope G(r)]\"" + blanks(12));

  ASSERT_EQ(save(a, {}, {}, 0, 0, 0, 0, 0, 0), 1);  // no points: an empty file
  EXPECT_EQ(slurp(a), "");
}

TEST(WriteData, MultiSetFiles) {
  scratch_dir dir;
  const std::string d = dir.file("sets.dat");
  ASSERT_EQ(prep(d, 0, 0, 0, 0, 3), 1);
  ASSERT_EQ(append({0}, {1}, 0, 0, 3, 0, 0, 3), 1);
  ASSERT_EQ(append({0, 0}, {1, 1}, 1, 0, 3, 0, 1, 3), 1);
  EXPECT_FALSE(fs::exists(d));  // not yet complete
  ASSERT_EQ(append({0}, {1}, 0, 0, 3, 0, 2, 3), 1);
  EXPECT_EQ(slurp(d), line01 + "\n" + line01 + line01 + "\n" + line01 + "\n");

  const std::string g = dir.file("sets.agr");
  ASSERT_EQ(prep(g, 2, 1, 0, 1, 2), 1);
  ASSERT_EQ(append({1.5}, {-2.25}, 0, 1, 2, 2, 0, 2), 1);
  ASSERT_EQ(append({0}, {1}, 1, 1, 2, 2, 1, 2), 1);
  EXPECT_EQ(slurp(g), golden("sets.agr"));

  // Fewer sets than announced: the next prep_file (or close_data_file) completes the
  // file with the sets written so far.
  const std::string p = dir.file("partial.dat");
  ASSERT_EQ(prep(p, 1, 0, 0, 0, 0), 1);
  ASSERT_EQ(append({0}, {1}, 0, 0, 0, 1, 0, 3), 1);
  ASSERT_EQ(prep(dir.file("next.dat"), 0, 0, 0, 0, 0), 1);
  EXPECT_EQ(slurp(p), blanks(8) + "0.0000000000   " + blanks(8) + "1.0000000000   0.0   1.0\n\n");
  EXPECT_EQ(close_data_file(), 1);
  EXPECT_EQ(slurp(dir.file("next.dat")), "");
  EXPECT_EQ(close_data_file(), 1);
}

// Failures return 0 and never damage an existing file.
TEST(WriteData, FailuresKeepExistingFile) {
  scratch_dir dir;
  EXPECT_EQ(append({0}, {1}, 0, 0, 0, 0, 0, 1), 0);  // no prep_file
  const std::string nowhere = dir.file("missing/dir/a.dat");
  EXPECT_EQ(save(nowhere, {0}, {1}, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(prep(nowhere, 0, 0, 0, 0, 0), 0);

  const std::string a = dir.file("a.dat");
  ASSERT_EQ(save(a, {1}, {2}, 0, 0, 0, 0, 0, 0), 1);
  const std::string before = slurp(a);
  EXPECT_EQ(save(a, {1}, {2}, 0, 0, 0, 0, 0, 3), 0);  // unknown format
  EXPECT_EQ(save_to_file(static_cast<int>(a.size()), a.data(), 3, nullptr, nullptr, 0, 0, 0, 0, 0, 0), 0);

  // A write that fails half way (file size limit): the old file stays, no debris.
  std::vector<double> big(5000, 1.0);
  std::vector<int> results;  // saved, prepped, appended
  {
    file_size_limit limit(4096);
    results = {save(a, big, big, 0, 0, 0, 0, 0, 1), prep(dir.file("b.dat"), 0, 0, 0, 0, 0),
               append(big, big, 0, 0, 0, 0, 0, 1)};
  }
  EXPECT_EQ(results, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(slurp(a), before);
  EXPECT_EQ(dir.entries(), 1);
}

// With deviations a .dat line gets a third column, a four-column line a fifth, and a Grace
// set the type xydy (bardy for bars); without, every byte is as before.
TEST(WriteData, SigmaColumn) {
  scratch_dir dir;
  const std::vector<double> x{1.5, 2.0}, y{-2.25, 3.0}, s{0.125, 2.5};
  const std::string sig1 = blanks(11) + "0.1250000000";
  for (int format : {0, 1}) EXPECT_EQ(data_line(1.5, -2.25, 0.125, format), data_line(1.5, -2.25, format) + sig1);
  for (int format : {0, 1, 2})
    for (int bar : {0, 1}) {
      const std::string plain = dir.file("plain"), with = dir.file("with"), multi = dir.file("multi");
      ASSERT_EQ(save(plain, x, y, 0, 0, bar, 3, 1, format), 1);
      ASSERT_EQ(save(with, x, y, 0, 0, bar, 3, 1, format, s.data()), 1);
      std::string expected = slurp(plain);
      for (std::size_t i = 0; i < 2; ++i) {
        const std::string line = data_line(x[i], y[i], format) + "\n";
        expected.replace(expected.find(line), line.size(), data_line(x[i], y[i], s[i], format) + "\n");
      }
      if (format == 2) {
        const std::string type = bar ? "@type bar\n" : "@type xy\n";
        expected.replace(expected.find(type), type.size(), bar ? "@type bardy\n" : "@type xydy\n");
      }
      EXPECT_EQ(slurp(with), expected) << format << bar;
      // Several sets: the curve with deviations, an extra set without.
      ASSERT_EQ(prep(multi, format, 0, 0, 3, 1), 1);
      ASSERT_EQ(append(x, y, bar, 3, 1, format, 0, 2, s.data()), 1);
      ASSERT_EQ(append(x, y, bar, 3, 1, format, 1, 2), 1);
      const std::string text = slurp(multi);
      EXPECT_NE(text.find(data_line(x[1], y[1], s[1], format) + "\n\n"), std::string::npos);
      EXPECT_NE(text.find(data_line(x[1], y[1], format) + "\n\n"), std::string::npos);
    }
}

// The abscissa fields are kept for the last grids written: grids of one size that differ
// in one point, or only in the sign of a zero, still give their own lines.
TEST(WriteData, GridsWrittenAgainAndAlmostAlike) {
  scratch_dir dir;
  const std::vector<double> grids[] = {{0.0, 0.5, 1.0}, {-0.0, 0.5, 1.0}, {0.0, 0.5, 1.25}};
  const std::vector<double> y = {1.0, -2.0, 3.0};
  for (int round = 0; round < 2; ++round)
    for (const auto& x : grids) {
      const std::string f = dir.file("g.dat");
      ASSERT_EQ(save(f, x, y, 0, 0, 0, 1, 2, 0), 1);
      std::string expected;
      for (size_t i = 0; i < x.size(); ++i) expected += data_line(x[i], y[i], 0) + "\n";
      EXPECT_EQ(slurp(f), expected) << x[0] << " " << x[2];
    }
}
