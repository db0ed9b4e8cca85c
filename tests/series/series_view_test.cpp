// The rules of the Series window below the widgets: natural file-name order, the files of
// a folder that match a pattern, the order of the series values, and what the window
// shows of a run: the table, the summary values a trend can show, the colours along the
// series, the waterfall and the trend.

#include "project/messages.h"
#include "series/series_order.h"
#include "series/series_view.h"
#include "support/temp_files.h"

namespace fs = std::filesystem;

namespace {

TEST(SeriesOrder, NaturalFileNameOrder) {
  const struct { const char* a; const char* b; int sign; } pairs[] = {
      {"run2.dat", "run10.dat", -1},   {"run10.dat", "run9.dat", 1},  {"run007.dat", "run7.dat", -1},
      {"run7.dat", "run007.dat", 1},   {"T300_b", "T300_a", 1},        {"Sample.dat", "sample.dat", -1},
      {"a", "a1", -1},                 {"x9y", "x10a", -1},             {"same", "same", 0},
      {"s_1.5K", "s_1.10K", -1},       {"99999999999999999999", "100000000000000000000", -1},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(natural_compare(p.a, p.b), p.sign) << p.a << " " << p.b;
    EXPECT_EQ(natural_compare(p.b, p.a), -p.sign) << p.b << " " << p.a;
  }
  std::vector<std::string> paths = {"/b/t10.dat", "/a/t2.dat", "/c/t1.dat", "/a/t10.dat", "/a/t2.dat"};
  sort_naturally(paths);
  EXPECT_EQ(paths, (std::vector<std::string>{"/c/t1.dat", "/a/t2.dat", "/a/t10.dat", "/b/t10.dat"}));
}

TEST(SeriesOrder, FilesOfAFolderThatMatchAPattern) {
  scratch_dir dir;
  for (const char* f : {"p10.dat", "p2.dat", "p1.xy", ".hidden.dat", "notes.txt"}) dir.write(f, "1 2\n");
  fs::create_directories(dir.path / "sub.dat");
  const struct { const char* pattern; std::vector<std::string> names; } cases[] = {
      {"*.dat", {"p2.dat", "p10.dat"}},  // no folder, no hidden file
      {"*.dat;*.xy", {"p1.xy", "p2.dat", "p10.dat"}}, {" *.xy  notes.*", {"notes.txt", "p1.xy"}},
      {"", {"notes.txt", "p1.xy", "p2.dat", "p10.dat"}}, {"p[12].*", {"p1.xy", "p2.dat"}}, {"*.raw", {}},
  };
  for (const auto& c : cases) {
    std::string error;
    std::vector<std::string> names;
    for (const std::string& f : files_matching(dir.path.string(), c.pattern, error))
      names.push_back(fs::path(f).filename().string());
    EXPECT_EQ(std::tuple(names, error), std::tuple(c.names, std::string())) << c.pattern;

  }
  std::string error;
  EXPECT_TRUE(files_matching(dir.file("none"), "*", error).empty());
  EXPECT_NE(error.find(dir.file("none")), std::string::npos);
}

TEST(SeriesOrder, ValuesAscendingThoseWithoutLast) {
  const std::vector<std::optional<double>> values = {5.0, std::nullopt, 1.0, 5.0, NAN, -2.0};
  EXPECT_EQ(order_by_value(values), (std::vector<std::size_t>{5, 2, 0, 3, 1, 4}));
  EXPECT_TRUE(order_by_value({}).empty());
}

// A run of four inputs as the engine delivers them: rows with values and curves in their
// folders; one input failed.
class SeriesViewTest : public ::testing::Test {
 protected:
  scratch_dir dir;
  series_view view;

  // Curve sq of an input: y = base + slope * x on x = 0, 0.5, ... 2.
  void write_sq(const std::string& folder, double base, double slope) {
    fs::create_directories(dir.path / folder);
    std::ostringstream out;
    for (int i = 0; i <= 4; ++i) out << 0.5 * i << " " << base + slope * 0.5 * i << "\n";
    dir.write(folder + "/sq.dat", out.str());
  }
  void add(const std::string& input, int exit, std::optional<double> value, std::optional<double> constant) {
    series_result r;
    r.index = view.size(), r.exit = exit, r.folder = fs::path(input).stem().string();
    r.row.value = value, r.row.normalisation_constant = constant, r.row.coordination = {std::nullopt};
    if (exit != series_ok) r.row.warnings = {"amoq-reduce: " + input + ": the file does not exist\n"};
    view.add(r, input, dir.path.string());
  }
  void SetUp() override {
    series_settings settings;
    settings.coordination.push_back({"Si", "O", 1.45, 1.8});
    view.reset(settings, "Temperature");
    write_sq("t10", 1.0, 1.0);  // range 2
    write_sq("t2", 0.0, 2.0);   // range 4: the largest
    write_sq("t9", 3.0, 0.0);
    add("/d/t10.dat", series_ok, 300.0, 0.02);
    add("/d/t2.dat", series_ok, 500.0, 0.01);
    add("/d/t9.dat", series_ok, std::nullopt, 0.03);
    add("/d/t1.dat", series_file, 400.0, std::nullopt);
  }
};

TEST_F(SeriesViewTest, OrderTableAndColumns) {
  EXPECT_EQ(view.order(), (std::vector<std::size_t>{3, 1, 2, 0}));  // t1 t2 t9 t10
  view.set_sort(series_sort::by_value);
  EXPECT_EQ(view.order(), (std::vector<std::size_t>{0, 3, 1, 2}));  // 300 400 500, none
  EXPECT_EQ(view.table_header(),
            (std::vector<std::string>{"Input", "Temperature", "Status", "Normalisation constant", "Density used",
                                      "Optimised density", "Low-r χ²", "S(Q) first peak: Q", "S(Q) first peak: height",
                                      "g(r) first peak: r", "g(r) first peak: height", "Coordination Si-O 1.45-1.8 Å",
                                      "Messages"}));
  const auto row = view.table_row(0), failed = view.table_row(3);
  ASSERT_EQ(row.size(), 13u);
  EXPECT_EQ(row[0] + "|" + row[1] + "|" + row[2] + "|" + row[3] + "|" + row[4], "t10.dat|300|done|0.02|");
  EXPECT_EQ(failed[2] + "|" + failed.back(), "file problem|amoq-reduce: /d/t1.dat: the file does not exist");
  EXPECT_EQ(view.columns().back().key, "coordination_Si-O_1.45-1.8");
  // Only what at least one input has can be shown as a trend.
  const auto trend = view.trend_columns();
  EXPECT_EQ(trend.size() == 1 ? trend[0].key : "", "normalisation_constant");

  // Without values the table has no value column and the order stays by name.
  series_view plain;
  plain.reset({}, "");
  plain.set_sort(series_sort::by_value);
  EXPECT_EQ(plain.table_header()[1], "Status");
}

// A colour scale as "shown lo..hi title integral".
std::string describe(const colour_scale& s) {
  return std::to_string(s.shown) + " " + format("%g..%g ", s.lo, s.hi) + s.title + " " + std::to_string(s.integral);
}

TEST_F(SeriesViewTest, ColoursAlongTheValuesOrThePositions) {
  EXPECT_EQ(describe(view.scale()), "1 300..500 Temperature 0");
  EXPECT_EQ((std::vector<double>{view.colour_place(0), view.colour_place(3), view.colour_place(1)}),
            (std::vector<double>{0.0, 0.5, 1.0}));
  EXPECT_TRUE(std::isnan(view.colour_place(2)));  // no value: grey
  series_view plain;
  plain.reset({}, "");
  for (const char* name : {"b", "a", "c"}) {
    series_result r;
    r.index = plain.size();
    plain.add(r, name, dir.path.string());
  }
  EXPECT_EQ(describe(plain.scale()), "1 1..3 Position in the series 1");
  EXPECT_EQ((std::vector<double>{plain.colour_place(1), plain.colour_place(0), plain.colour_place(2)}),
            (std::vector<double>{0.0, 0.5, 1.0}));  // "a" comes first
}

TEST_F(SeriesViewTest, WaterfallAndTrend) {
  view.set_sort(series_sort::by_value);
  const waterfall_input w = view.waterfall(curve_sq, 0.25, 1);
  // The inputs with the curve in the order shown; raised by a quarter of the largest range.
  std::vector<std::size_t> ids;
  for (const auto& tr : w.traces) ids.push_back(tr.id);
  ASSERT_EQ(ids, (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(std::vector<double>(w.traces[1].y.begin(), w.traces[1].y.end()), (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(format("%d %g ", w.highlight, w.offset) + w.x_title + " " + w.y_title, "1 1 q [Å-1] S(Q)");
  EXPECT_TRUE(view.waterfall(curve_gr, 0.25, -1).traces.empty());

  const summary_column constant = view.columns()[0];
  trend_input t = view.trend(constant, true, 1);
  // Against the value: the input without one is left out, the failed one has no constant.
  ASSERT_EQ(t.points.size(), 2u);
  EXPECT_EQ(format("%g %g %zu %d ", t.points[0].x, t.points[0].y, t.points[1].id, t.highlight) + t.x_title +
                std::to_string(t.x_integral),
            "300 0.02 1 1 Temperature0");
  // Against the position in the order shown (by value: t10, t1, t2, t9).
  t = view.trend(constant, false, -1);
  ASSERT_EQ(t.points.size(), 3u);
  EXPECT_EQ((std::vector<double>{t.points[0].x, t.points[1].x, t.points[2].x}), (std::vector<double>{1, 3, 4}));
  EXPECT_EQ(std::tuple(t.points[2].y, t.x_integral, t.highlight), std::tuple(0.03, true, -1));

}

}  // namespace
