#include "support/test.h"

#include "project/entry_text.h"

// Values show as a person types them: single-precision values (as the XML reader stores
// them) in their shortest single-precision text, others in at most 15 significant digits.
// Checked with strtof/strtod, not the code's own parser; the shown text is no edit.
TEST(entry_text, ValuesShowAsTyped) {
  struct shown { double v; const char* text; } cases[] = {
      {0.7093, "0.7093"},   {double(0.77f), "0.77"}, {double(1e-6f), "1e-06"},  {0.07200000000000001, "0.072"},
      {1.0 / 3.0, "0.333333333333333"}, {2.4e-7, "2.4e-07"}, {1e300, "1e+300"}, {-10.0, "-10"},
      {0.1 + 0.2, "0.3"},   {123456.789, "123456.789"}};
  for (const shown& c : cases) {
    std::string t = entry_text(c.v);
    EXPECT_EQ(t, c.text);
    if (double(float(c.v)) == c.v)
      EXPECT_EQ(std::strtof(t.c_str(), nullptr), float(c.v)) << t;
    else
      EXPECT_NEAR(std::strtod(t.c_str(), nullptr), c.v, 1e-14 * std::fabs(c.v)) << t;
    EXPECT_TRUE(shows_stored(" " + t + " ", c.v)) << t;
  }
  EXPECT_FALSE(shows_stored("0.770", double(0.77f)));  // typed again: an edit
}

TEST(entry_text, OnlyWholeNumbersAreRead) {
  struct read { const char* text; bool ok; double v; } cases[] = {
      {" 2.5 ", true, 2.5}, {"+3", true, 3},     {"-1e-3", true, -1e-3}, {"abc", false, 0},
      {"2/3", false, 0},    {"1e", false, 0},    {"", false, 0},         {"  ", false, 0},
      {"1,5", false, 0},    {"nan", false, 0},   {"1e999", false, 0},    {"0x10", false, 0}};
  for (const read& c : cases) {
    auto v = parse_entry(c.text);
    EXPECT_EQ(v.value_or(NAN) == c.v, c.ok) << '"' << c.text << '"';  // nothing when refused, else the value
  }
  EXPECT_EQ(parse_entry_int(" 12 "), 12);
  EXPECT_FALSE(parse_entry_int("1.5") || parse_entry_int("99999999999"));

}
