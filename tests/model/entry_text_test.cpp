#include "support/test.h"

#include "project/entry_text.h"

// Shown values read back exactly (checked with strtod, not the code's own parser).
TEST(entry_text, ShownTextReadsBackToTheValue) {
  struct shown { double v; const char* text; } cases[] = {
      {0.7093, "0.709300"}, {2.4e-7, "2.4e-07"}, {1e-12, "1e-12"},  {1e300, "1e+300"},
      {12.0, "12.000000"},  {-10.0, "-10.000000"}, {0.1, "0.100000"}, {1.0 / 3.0, "0.3333333333333333"}};
  for (const shown& c : cases) {
    std::string t = entry_text(c.v);
    EXPECT_EQ(t, c.text);
    EXPECT_EQ(std::strtod(t.c_str(), nullptr), c.v) << t;
    ASSERT_TRUE(parse_entry(t)) << t;
    EXPECT_EQ(*parse_entry(t), c.v);
  }
}

TEST(entry_text, OnlyWholeNumbersAreRead) {
  struct read { const char* text; bool ok; double v; } cases[] = {
      {" 2.5 ", true, 2.5}, {"+3", true, 3},     {"-1e-3", true, -1e-3}, {"abc", false, 0},
      {"2/3", false, 0},    {"1e", false, 0},    {"", false, 0},         {"  ", false, 0},
      {"1,5", false, 0},    {"nan", false, 0},   {"1e999", false, 0},    {"0x10", false, 0}};
  for (const read& c : cases) {
    auto v = parse_entry(c.text);
    EXPECT_EQ(v.has_value(), c.ok) << '"' << c.text << '"';
    if (v) {
      EXPECT_EQ(*v, c.v);
    }
  }
  EXPECT_EQ(parse_entry_int(" 12 "), 12);
  EXPECT_FALSE(parse_entry_int("1.5"));
  EXPECT_FALSE(parse_entry_int("99999999999"));
}
