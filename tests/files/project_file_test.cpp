#include "files/project_file.h"
#include "files_fixture.h"
#include "support/recording_presenter.h"


using project_file_test = files_test;

// Sizes and bytes from the format table: a new project named "P" is items 1 to 20 only.
TEST_F(project_file_test, GoldenBytesOfANewProject) {
  init_project();
  proj[0].name = "P";
  std::vector<uint8_t> b = encode(0);
  ASSERT_EQ(b.size(), 450u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 34), "\x19\0\0\0%\n% project file v-1.0\n%\n\x01\0\0\0P"s);
  // trun, prun, run, nspec
  EXPECT_EQ((std::vector{read32(b, 34), read32(b, 38), read32(b, 42), read32(b, 46)}), (std::vector{1, 0, 0, 0}));
  // exp_prop[k_wavelength] = -10.0 after 6 int32[4] and 3 double[4]
  const size_t exp_at = 50 + 6 * 16 + 3 * 32;
  const uint8_t minus_ten[] = {0, 0, 0, 0, 0, 0, 0x24, 0xC0};
  for (int i = 0; i < 19; ++i) EXPECT_EQ(std::memcmp(&b[exp_at + 8 * i], minus_ten, 8), 0) << i;
  EXPECT_EQ(read32(b, exp_at + 152), -1);  // params[k_abscissa]
  for (size_t i = 426; i < 450; ++i) EXPECT_EQ(b[i], 0xFF) << "unset file names";

  // Set names are counted strings; an empty name differs from an unset one.
  proj[0].filename[1] = "bg.dat", proj[0].filename[2] = "";
  b = encode(0);

  ASSERT_EQ(b.size(), 450u + 6);
  EXPECT_EQ(std::string(b.begin() + 434, b.begin() + 440), "bg.dat");
  EXPECT_EQ((std::vector{read32(b, 430), read32(b, 440), read32(b, 444)}), (std::vector{6, 0, -1}));
}

TEST_F(project_file_test, RoundTripsGiveIdenticalBytes) {
  struct round_trip_case { const char* what; bool species, calculations, window; };
  const round_trip_case cases[] = {
      {"species only", true, false, false}, {"curves, windows closed", true, true, false},
      {"curves with windows and extra sets", true, true, true},
  };
  for (const auto& tc : cases) {
    clear();
    int p = make_project("Sample \"A\" %s", tc.species ? 1 : 0, tc.calculations, tc.window);
    std::vector<uint8_t> first = encode(p);
    ASSERT_EQ(decode_fresh(first), file_ok) << tc.what;
    int q = activep;
    std::vector<uint8_t> second = encode(q);
    EXPECT_EQ(first, second) << tc.what;  // every stored field read back, into its place
    if (!tc.calculations) continue;
    const curve& cb = *proj[q].curves[1][1];
    EXPECT_TRUE(!cb.window && cb.name == "Q[S(Q)-1]") << cb.name;  // names come from the step, not the file
    if (tc.window)
      EXPECT_EQ(cb.wsize[1], 700 - 27) << "plot height, not window height";
    else
      EXPECT_EQ(cb.gfreq, 1) << "a closed window reads back with the defaults";
  }
}

// The reader stops after the file names when there are no species; such a record is
// written without its calculations so that the file reads back.
TEST_F(project_file_test, NoSpeciesWithCalculationsStaysReadable) {
  init_project();
  create_curve_records(0);
  const double x[] = {1, 2}, y[] = {3, 4};
  save_curve(2, x, y, 1, 1);
  std::vector<uint8_t> b = encode(0);
  EXPECT_EQ(b.size(), 449u + proj[0].name.size());
  EXPECT_EQ(read32(b, 4 + 25 + 4 + static_cast<int>(proj[0].name.size()) + 8), 0);
  ASSERT_EQ(decode_fresh(b), file_ok);
  EXPECT_TRUE(proj[1].run == 0 && proj[1].curves[1].empty());


  // A record whose curves all lack points writes a curve count of 0.
  proj[0].nspec = 1;
  prepspec(0, 1);
  set_species_element(0, 0, 8);
  activep = 0;
  save_curve(0, x, y, 1, 1);
  b = encode(0);
  EXPECT_EQ(read32(b, static_cast<size_t>(b.size() - 4)), 0);
}

// Every prefix of a valid file is refused, and the record is left as a new project.
TEST_F(project_file_test, EveryTruncationIsRefused) {
  int p = make_project("T", 1, true, true);
  std::vector<uint8_t> b = encode(p);
  init_project();
  int target = activep;
  std::vector<uint8_t> fresh = encode(target);
  for (size_t n = 0; n < b.size(); ++n) {
    std::vector<uint8_t> cut(b.begin(), b.begin() + static_cast<long>(n));
    byte_reader in(cut);
    int code = decode_project(in, read_context{}, target);
    ASSERT_TRUE(code == file_short || code == file_bad_curve) << n << " gave " << code;
    ASSERT_EQ(encode(target), fresh) << "record not reset after " << n << " bytes";
    ASSERT_TRUE(proj[target].curves[0].empty());
  }
}

// Each count or index of a valid file set to values the record cannot hold.
TEST_F(project_file_test, OutOfRangeCountsAreRefused) {
  int p = make_project("N", 1, true, true);
  std::vector<uint8_t> b = encode(p);
  const layout at = locate(b, 0);
  struct mutation { const char* field; size_t offset; std::vector<int32_t> values; int code; };
  const int32_t huge = 0x7fffffff;
  const std::vector<mutation> cases = {
      {"header length", 0, {-1, huge, static_cast<int32_t>(b.size())}, file_short},
      {"name length", 29, {-2, huge, static_cast<int32_t>(b.size())}, file_short},
      {"nspec", at.nspec, {-1, 11, huge}, file_short}, {"numc", at.numc, {5, -1}, file_short},
      {"params[k_abscissa]", at.params, {2, -2}, file_short}, {"file name length", at.names, {-2, huge}, file_short},
      {"curve count", at.count, {-1, 14, huge}, file_short}, {"rid", at.curve + 0, {-1, 4, huge}, file_bad_curve},
      {"cid", at.curve + 4, {-1, 4, huge}, file_bad_curve}, {"window width", at.window, {-1, 1 << 20}, file_bad_curve},
      {"ndata", at.curve + 12, {-1, huge, huge / 8}, file_bad_curve},
      {"curve dash", at.extras - 32, {11, -1}, file_bad_curve},  // before glyph, gsize, gfreq, cstart, cend, set count
      {"extra set count", at.extras, {-1, 3, huge}, file_bad_curve},
      {"extra set curve", at.extras + 0, {-1, 4}, file_bad_curve},
      {"extra set glyph", at.extras + 20, {37}, file_bad_curve},
      {"extra set calculation", at.extras + 4, {-1, 4}, file_bad_curve},
  };
  init_project();
  int target = activep;
  for (const auto& m : cases) {
    for (int32_t v : m.values) {
      std::vector<uint8_t> bad = b;
      put32(bad, m.offset, v);
      byte_reader in(bad);
      EXPECT_EQ(decode_project(in, read_context{}, target), m.code) << m.field << " = " << v;
      EXPECT_EQ(proj[target].nspec, 0) << m.field;
    }
  }
  // A set naming a curve that the table does not offer over this curve.
  put32(b, at.extras + 0, 3), put32(b, at.extras + 4, 1);  // curve 3 of calculation 1
  byte_reader in(b);
  EXPECT_EQ(decode_project(in, read_context{}, target), file_bad_curve);

}

TEST_F(project_file_test, StreamsAndFiles) {
  int p = make_project("S", 1, true, true);
  std::vector<uint8_t> b = encode(p);
  const std::string dir = temp_dir();
  const std::string path = dir + "/s.nap";

  // Two blocks on one stream: each read leaves the stream just after its block.
  std::FILE* f = std::fopen(path.c_str(), "w+b");
  ASSERT_TRUE(f);
  ASSERT_EQ(save_project(f, p, 0), 0);
  ASSERT_EQ(save_project(f, p, 0), 0);
  std::rewind(f);
  init_project();
  EXPECT_TRUE(open_project(f, 0) == 0 && std::ftell(f) == static_cast<long>(b.size()));
  init_project();
  EXPECT_TRUE(open_project(f, 0) == 0 && encode(activep) == b);
  std::fclose(f);

  ASSERT_EQ(save_project_file(path, p), 0);
  init_project();
  EXPECT_TRUE(open_project_file(path) == 0 && encode(activep) == b);
  EXPECT_EQ(open_project_file(dir + "/missing.nap"), 1);
}

// The options block: written only when an option differs from its default, unknown keys
// skipped, a damaged block refused (workspaces: their round trip).
TEST_F(project_file_test, OptionsBlockRoundTrips) {
  init_project();
  const std::vector<uint8_t> plain = encode(0);
  proj[0].options.bkgscale = 0.5, proj[0].options.qmax = 18.0;
  std::vector<uint8_t> with = encode(0);
  ASSERT_GT(with.size(), plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), with.begin())) << "block is appended";
  // 4 + 18 marker, count, two entries of (project, key, value)
  EXPECT_EQ(with.size() - plain.size(), 22u + 4 + (4 + 4 + 8 + 8) + (4 + 4 + 4 + 8));

  ASSERT_EQ(decode_fresh(with), 0);
  EXPECT_EQ(std::tuple(proj[activep].options.bkgscale, proj[activep].options.qmax), std::tuple(0.5, 18.0));
  EXPECT_EQ(encode(activep), with);

  // at: offset from the start of the block.
  struct { const char* what; size_t at; int32_t value; int code; } cases[] = {
      {"key length past any key", 22 + 4 + 4, 9999, 1}, {"project index out of range", 22 + 4, 1, 1},
      {"negative count", 22, -1, 1}, {"other trailing bytes are ignored", 0, 7, 0},
  };
  for (const auto& d : cases) {
    std::vector<uint8_t> b = with;
    put32(b, plain.size() + d.at, d.value);
    EXPECT_EQ(decode_fresh(b), d.code) << d.what;
  }
  std::vector<uint8_t> unknown = with;
  unknown[plain.size() + 22 + 4 + 4 + 4] = 'x';  // "bkgscale" -> "xkgscale"
  ASSERT_EQ(decode_fresh(unknown), 0);
  EXPECT_EQ(std::tuple(proj[activep].options.bkgscale, proj[activep].options.qmax), std::tuple(1.0, 18.0));

  // r_min of the optimisation keeps the entry's rule 0 < r_min < Rmax: outside it the file
  // is read with a warning and r_min left to be given again (0: switched on, not given).
  // (Outside the range of the setting itself, a negative r_min for one, the file is
  // refused: setting_ranges_test.)
  struct { double rmin, rmax, read; bool warned; } rmins[] = {
      {1.2, 10.0, 1.2, false}, {0.0, 10.0, 0.0, false}, {12.0, 10.0, 0.0, true}, {12.0, not_set, 12.0, false}};
  for (const auto& c : rmins) {
    proj[0].options.lowr_rmin = c.rmin, proj[0].exp_prop[k_rmax] = c.rmax;
    const std::vector<uint8_t> bytes = encode(0);
    recording_presenter messages;
    ASSERT_EQ(decode_fresh(bytes), 0);
    EXPECT_EQ(proj[activep].options.lowr_rmin, c.read) << c.rmin;
    EXPECT_EQ(messages.texts("warning").size(), c.warned ? 1u : 0u) << c.rmin;
  }
}
