#include "numeric/readfiles.h"
#include "numeric/recorder.h"
#include "support/temp_files.h"

static int read(const std::string& file, int calc = 0, int curve = 0) {
  return read_data(calc, curve, file.data(), static_cast<int>(file.size()));
}

using pairs = std::vector<std::pair<double, double>>;

// Result codes and free-format rules, with the expected pairs written out by hand. The
// third column (read_data_sigma) is taken when every pair has one on the line of its second
// number, finite and >= 0; otherwise the file reads as without it. read_data never delivers one.
TEST(ReadData, FreeFormatRules) {
  struct { const char* what; std::string content; int result; pairs expected; std::vector<double> sigma{}; } cases[] = {
      {"empty file", "", -2, {}}, {"blank lines only", "\n  \n\t\n", -1, {}},
      {"comma", "1.0,2.0\n3.0 , 4.0\n5,\n6\n", 3, {{1, 2}, {3, 4}, {5, 6}}},
      {"one number per line", "1\n2\n3\n4\n5\n", 2, {{1, 2}, {3, 4}}},
      {"header line", "2theta intensity\n1 2\n3 4\n", -1, {}},
      {"D and E exponents", "1.5D-3 2d2\n-1.0E+1 +3e0\n.5 5.\n", 3, {{1.5e-3, 200}, {-10, 3}, {0.5, 5}}},
      {"tabs", "1\t2\n\t3\t\t4\t\n", 2, {{1, 2}, {3, 4}}}, {"CR LF", "1 2\r\n3\r\n4\r\n", 2, {{1, 2}, {3, 4}}},
      {"no final newline", "1 2\n3 4", 2, {{1, 2}, {3, 4}}},
      {"text after the second number", "1 2 abc\n3 4,x\n", 2, {{1, 2}, {3, 4}}},
      {"text ends reading", "1 2\n3 4\nend\n5 6\n", 2, {{1, 2}, {3, 4}}},
      {"number glued to text", "1 2\n3.0abc 4\n", 1, {{1, 2}}}, {"two commas", "1 2\n3,,4\n", 1, {{1, 2}}},
      {"leading comma", ",1 2\n", -1, {}}, {"exponent without digits", "1 2\n1e 2\n", 1, {{1, 2}}},
      {"exponent without letter", "1.5+3 2\n", -1, {}}, {"overflow ends reading", "1 2\n1e999 3\n", 1, {{1, 2}}},
      {"underflow reads as zero", "1e-999 -1D-400\n", 1, {{0, -0.0}}}, {"hex is not a number", "0x10 2\n", -1, {}},
      {"binary garbage", std::string("\x7f" "ELF\0\x01\x02\xff\xfe\n\0\0", 13), -1, {}},
      {"NUL after a pair", std::string("1 2\n\0 3 4\n", 10), 1, {{1, 2}}},
      {"three columns", "1 2 0.5\n3 4 1e-1\n", 2, {{1, 2}, {3, 4}}, {0.5, 0.1}},
      {"three, pair split over lines", "1\n2 0.5\n3 4 0.25\n", 2, {{1, 2}, {3, 4}}, {0.5, 0.25}},
      {"three, CR LF", "1 2 3\r\n4 5 6\r\n", 2, {{1, 2}, {4, 5}}, {3, 6}},
      {"fourth column ignored", "1 2 3 9\n4 5 6 9\n", 2, {{1, 2}, {4, 5}}, {3, 6}},
      {"one line without the third", "1 2 0.5\n3 4\n", 2, {{1, 2}, {3, 4}}},
      {"negative deviation", "1 2 0.5\n3 4 -1\n", 2, {{1, 2}, {3, 4}}},
  };
  scratch_dir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = dir.write("data.txt", c.content);
    std::vector<recorded_curve> with_sigma;
    {
      numeric_recorder rec;
      EXPECT_EQ(read_data_sigma(2, 1, file.data(), static_cast<int>(file.size())), c.result);
      EXPECT_EQ(rec.calls, c.result <= 0 ? "" : c.sigma.empty() ? "c" : "cs");
      EXPECT_EQ(rec.sigmas, c.sigma.empty() ? decltype(rec.sigmas){} : decltype(rec.sigmas){c.sigma});
      with_sigma = rec.curves;
    }
    numeric_recorder rec;
    EXPECT_EQ(read(file, 2, 1), c.result);
    EXPECT_EQ(rec.calls, c.result <= 0 ? "" : "c");
    if (c.result <= 0) continue;
    EXPECT_EQ(rec.curves[0].calc * 10 + rec.curves[0].curve, 21);
    EXPECT_EQ(with_sigma.at(0).y, rec.curves[0].y);
    pairs got;
    for (std::size_t i = 0; i < rec.curves[0].x.size(); ++i) got.emplace_back(rec.curves[0].x[i], rec.curves[0].y[i]);
    EXPECT_EQ(got, c.expected);  // correctly rounded, as the literals
    EXPECT_EQ(std::signbit(got.back().second), std::signbit(c.expected.back().second));  // -0 stays -0
  }
}

// Missing or unreadable names give -3 and deliver nothing; only filename_length
// characters of the name are used.
TEST(ReadData, FileNames) {
  scratch_dir dir;
  std::string file = dir.write("d.txt", "1 2\n");
  numeric_recorder rec;
  EXPECT_EQ(read((dir.path / "missing.txt").string()), -3);
  EXPECT_EQ(read(dir.path.string()), -3);  // a directory
  ASSERT_TRUE(make_fifo(dir.file("fifo")));
  EXPECT_EQ(read(dir.file("fifo")), -3);  // refused at once, never waited on
  std::string with_nul = file + std::string(1, '\0') + "x";
  EXPECT_EQ(read_data(0, 0, with_nul.data(), static_cast<int>(with_nul.size())), -3);
  EXPECT_EQ(read_data(0, 0, nullptr, 5), -3);
  EXPECT_EQ(read_data(0, 0, file.data(), 0), -3);
  EXPECT_TRUE(rec.curves.empty());
  std::string longer = file + "GARBAGE";
  EXPECT_EQ(read_data(0, 1, longer.data(), static_cast<int>(file.size())), 1);
}

// Arrays that cannot be sized report the three-line error and deliver nothing.
TEST(ReadData, ArraySizeAndBufferBounds) {
  scratch_dir dir;
  std::string file = dir.write("d.txt", "1 2\n3 4\n5 6\n");
  numeric_recorder rec;
  EXPECT_EQ(readfiles_detail::read_data_bounded(0, 0, file.data(), static_cast<int>(file.size()), 2), 0);
  EXPECT_TRUE(rec.curves.empty());
  EXPECT_EQ(rec.errors, std::vector<std::string>{"Impossible to allocate memory\nSubroutine: read_data\nTable: x"});
  EXPECT_EQ(readfiles_detail::read_data_bounded(0, 0, file.data(), static_cast<int>(file.size()), 3), 3);

  // Lines and tokens longer than the read buffer: the rest of a huge line is skipped, a
  // huge token is not a number.
  rec.curves.clear();
  EXPECT_EQ(read(dir.write("a.txt", "1 2 " + std::string(300000, 'x') + "\n3 4\n")), 2);
  EXPECT_EQ(read(dir.write("b.txt", "1 2\n" + std::string(200000, '7') + " 4\n")), 1);
  // 70000 one-number lines, so the pairs straddle buffer boundaries.
  std::string many;
  for (int i = 0; i < 70000; ++i) many += std::to_string(i) + "\r\n";
  EXPECT_EQ(read(dir.write("c.txt", many)), 35000);
  ASSERT_EQ(rec.curves.size(), 3u);
  EXPECT_EQ(std::pair(rec.curves[2].x[34999], rec.curves[2].y[34999]), std::pair(69998.0, 69999.0));
}

// Tokens with up to 18 digits and powers of ten around the limits of exact doubles read as
// the C library's strtod reads them, bit for bit.
TEST(ReadData, NumbersAsStrtod) {
  std::mt19937_64 gen(5);
  std::uniform_int_distribution<int> digits(1, 18), point(-1, 18), exponent(-40, 40), pick(0, 9);
  for (int i = 0; i < 20000; ++i) {
    std::string token = pick(gen) < 3 ? "-" : pick(gen) < 2 ? "+" : "";
    const int n = digits(gen), at = point(gen);
    for (int k = 0; k < n; ++k) {
      if (k == at) token += '.';
      token += static_cast<char>('0' + pick(gen));
    }
    if (pick(gen) < 5) token += std::string(1, "eEdD"[pick(gen) % 4]) + std::to_string(exponent(gen));
    double v = 0.0;
    ASSERT_TRUE(readfiles_detail::parse_number(token.data(), token.size(), v)) << token;
    std::string c = token;
    std::replace_if(c.begin(), c.end(), [](char ch) { return ch == 'd' || ch == 'D'; }, 'e');
    const double ref = std::strtod(c.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&v, &ref, sizeof v), 0) << token << " " << v << " " << ref;
  }
}
