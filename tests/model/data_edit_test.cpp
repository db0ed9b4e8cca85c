#include "project/data_edit.h"
#include "support/recording_presenter.h"

// Rows 1..n with x = index and y = 10 * index.
static data_table numbered(int n) {
  data_table t;
  for (int i = 1; i <= n; ++i) t.push_back({i, double(i), 10.0 * i});
  return t;
}

// The abscissae in table order (0 for inserted rows), and whether the index column runs 1..n.
static std::vector<double> xs(const data_table& t) {
  std::vector<double> out;
  for (const data_row& r : t) out.push_back(r.x);
  return out;
}
static bool renumbered(const data_table& t) {
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i].index != static_cast<int>(i) + 1) return false;
  return true;
}


TEST(data_edit, InsertAndDeleteRows) {
  // selected: 0-based rows; op: 0 insert before, 1 insert after, 2 delete.
  using rows = std::vector<int>;
  struct row_case { const char* what; rows selected; int op; std::vector<double> x; rows added; } cases[] = {
      {"after rows 3 and 7", {2, 6}, 1, {1, 2, 3, 4, 5, 6, 7, 0, 0, 8}, {7, 8}},
      {"before rows 3 and 7", {6, 2}, 0, {1, 2, 0, 0, 3, 4, 5, 6, 7, 8}, {2, 3}},
      {"after the last row", {7}, 1, {1, 2, 3, 4, 5, 6, 7, 8, 0}, {8}},
      {"nothing selected, before", {}, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {0}},
      {"nothing selected, after", {}, 1, {1, 2, 3, 4, 5, 6, 7, 8, 0}, {8}},
      {"delete 1, 4 and 8", {0, 3, 7, 3}, 2, {2, 3, 5, 6, 7}, {}},
      {"delete every row", {0, 1, 2, 3, 4, 5, 6, 7}, 2, {}, {}},
  };
  for (const row_case& c : cases) {
    data_table t = numbered(8);
    std::vector<int> added;
    if (c.op == 2)
      delete_rows(t, c.selected);
    else
      added = insert_rows(t, c.selected, c.op);
    EXPECT_EQ(xs(t), c.x) << c.what;
    EXPECT_EQ(added, c.added) << c.what;
    EXPECT_TRUE(renumbered(t)) << c.what;
  }
  // An emptied table takes new rows.
  data_table empty;
  EXPECT_EQ(insert_rows(empty, {}, 1), std::vector<int>{0});
  EXPECT_EQ(empty.size(), 1u);
}

TEST(data_edit, CellsAndConstantsReadStrictly) {
  data_table t = numbered(3);
  recording_presenter messages;
  // Each edit's result and the cell it leaves (&& reads the cell after the edit).
  EXPECT_TRUE(set_cell(t, 1, 2, " -2.5e-3 ") == 1 && t[1].y == -2.5e-3) << t[1].y;
  EXPECT_TRUE(set_cell(t, 0, 1, "abc") == 0 && t[0].x == 1.0) << t[0].x;  // refused, not taken as 0
  t[2].x = 0.1 + 0.2;  // 0.30000000000000004, shown "0.3"
  EXPECT_TRUE(set_cell(t, 2, 1, "0.3") == 1 && t[2].x == 0.1 + 0.2) << t[2].x;  // left as shown: unchanged
  EXPECT_EQ(column_operation(t, 1, "1.000000"), 1);  // the preset
  EXPECT_EQ(std::tuple(t[0].y, t[1].y), std::tuple(10.0, -2.5e-3));
  EXPECT_TRUE(column_operation(t, 0, "1.000000") == 1 && t[2].y == 31.0) << t[2].y;
  EXPECT_TRUE(column_operation(t, 1, "x2") == 0 && t[2].y == 31.0) << t[2].y;

  EXPECT_EQ(messages.texts("warning"),
            (std::vector<std::string>{"Abscissa: \"abc\" is not a number", "Constant: \"x2\" is not a number"}));
}

TEST(data_edit, ClipboardTextAndApply) {
  data_table t = numbered(4);
  t[2].y = -0.125;
  EXPECT_EQ(clipboard_text(t, {2, 0}), "1\t1.000000\t10.000000\n3\t3.000000\t-0.125000\n");
  EXPECT_EQ(clipboard_text(t, {}), "");

  curve c;
  c.ndata = 2, c.data[0] = {7, 8}, c.data[1] = {9, 9};
  apply_table(c, t);
  EXPECT_EQ(c.ndata, 4);
  EXPECT_EQ(c.data[0], (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(c.data[1], (std::vector<double>{10, 20, -0.125, 40}));
  EXPECT_EQ(xs(table_of(c)), xs(t));

  delete_rows(t, {0, 1, 2, 3});
  apply_table(c, t);
  EXPECT_EQ(c.ndata, 0);
  EXPECT_TRUE(c.data[0].empty() && c.data[1].empty());
}
