// The instrument reader as a process of its own: files that crash the library, readers
// that crash, loop, flood or hang (a program that misbehaves on purpose in the reader's
// place), and files of several blocks, with the real reader program.

#include "import/data_import.h"
#include "import/import_reply.h"
#include "support/temp_files.h"

namespace {

// The sanitizer builds run the reader without its memory limit (and their sanitizer
// reports the library's faults first).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool memory_limited = false;
#else
constexpr bool memory_limited = true;
#endif

struct reader_scope {
  reader_scope(std::vector<std::string> argv, const child_limits& limits) {
    set_instrument_reader(std::move(argv));
    set_instrument_reader_limits(&limits);
  }
  ~reader_scope() {
    set_instrument_reader({});
    set_instrument_reader_limits(nullptr);
  }
};

void put_u16(std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8); }
void put_f32(std::string& s, float v) { s.append(reinterpret_cast<const char*>(&v), 4); }

// A Siemens/Bruker RAW file of version 2: a 256-byte file header ("RAW2", the range count
// as u16 at 4, date at 168, anode at 188, wavelengths and ratio as f32 at 190), then per
// range a header of more than 48 bytes (its length and step count as u16, seconds per
// step, step and start 2θ as f32 from 8) and the counts as f32. Ranges: start, step, steps.
std::string raw2(const std::vector<std::array<double, 3>>& ranges) {
  std::string f = "RAW2";
  put_u16(f, static_cast<unsigned>(ranges.size()));
  f.append(162, '\0');
  f += std::string("2024-01-01 12:00:00") + '\0' + "Cu";
  for (float v : {1.5406f, 1.5444f, 0.5f}) put_f32(f, v);
  f.append(8, '\0');
  put_f32(f, 100.0f);
  f.append(42, '\0');
  for (const auto& [start, step, steps] : ranges) {
    put_u16(f, 64);
    put_u16(f, static_cast<unsigned>(steps));
    f.append(4, '\0');
    for (double v : {1.0, step, start}) put_f32(f, static_cast<float>(v));
    f.append(44, '\0');
    for (int i = 0; i < static_cast<int>(steps); ++i) put_f32(f, static_cast<float>(100 + i));
  }
  return f;
}

std::string_view view(const std::string& s) { return s; }

}  // namespace

// Whatever the reader does, the import returns a refusal with the reason, in bounded time.
TEST(ReaderProcess, EveryWayOfFailingIsARefusal) {
  child_limits tight;  // stack and wall time as by default
  tight.memory_bytes = std::size_t{256} << 20, tight.cpu_seconds = 1, tight.output_bytes = 1 << 20;
  // wall: the wall-time limit, short where it is what ends the reader, long enough for
  // the CPU limit elsewhere on a busy machine.
  struct { const char* how; int wall; std::string reason; } cases[] = {
      {"abort", 60, "the instrument reader stopped: aborted (free(): double free detected in tcache 2)"},
      {"segv", 60, "the instrument reader stopped: segmentation fault"},
      {"sleep", 1, "the instrument reader stopped: no answer within its time limit"},
      {"linger", 1, "the instrument reader stopped: no answer within its time limit"},
      {"spin", 60, "the instrument reader stopped: CPU time limit reached"},
      {"flood", 60, "the instrument reader stopped: its answer exceeded its size limit"},
      {"garbage", 60, "the instrument reader gave an answer that is not one"},
      {"allocate", 60, "the instrument reader stopped: aborted"},
      {"unknown", 60, "the instrument reader stopped: exit status 3"},
  };
  for (const auto& c : cases) {
    if (std::string(c.how) == "allocate" && !memory_limited) continue;
    tight.wall_seconds = c.wall;
    reader_scope scope({MISBEHAVING_READER, c.how}, tight);
    imported_data d = import_data_bytes("scan.raw", view(std::string(1 << 20, 'x')));  // more than a pipe holds
    EXPECT_EQ(d.reason.substr(0, c.reason.size()), c.reason) << c.how;
    EXPECT_TRUE(d.x.empty()) << c.how;
  }
  reader_scope missing({"/nonexistent/amoq-import"}, tight);
  EXPECT_EQ(import_data_bytes("a.raw", "x").reason, "the instrument reader stopped: the reader program could not be run");
}

// Files that crash the library's own readers (a bus error in its UXD reader, a stack
// overflow in its XML reader, a segmentation fault in its CNF loader on 161 random
// bytes) are refusals; a 50 MB line comes back as a short reason.
TEST(ReaderProcess, FilesThatCrashTheLibrary) {
  std::string deep = "<?xml version=\"1.0\"?>\n<xrdMeasurements>";
  for (int i = 0; i < 50000; ++i) deep += "<a>";
  for (int i = 0; i < 50000; ++i) deep += "</a>";
  deep += "</xrdMeasurements>\n";
  const struct { const char* name; std::string bytes; std::string reason; } cases[] = {
      {"crash.uxd", "_DRIVE\n_COUNT\n_COUNT", "the instrument reader stopped: bus error"},
      {"deep.xrdml", deep, "the instrument reader stopped: segmentation fault"},
      {"crash.cnf", slurp(AMOQ_TEST_DATA "/import/crash.cnf"), "the instrument reader stopped: segmentation fault"},
  };
  // (The sanitizers find the library's faults before they become these signals.)
  for (const auto& c : cases) {
    const std::string expected = memory_limited ? c.reason : "the instrument reader stopped: ";
    EXPECT_EQ(import_data_bytes(c.name, c.bytes).reason.substr(0, expected.size()), expected) << c.name;
  }
  const imported_data line = import_data_bytes("long.xy", "2theta intensity\n" + std::string(50 << 20, '7') + "x\n");
  EXPECT_FALSE(line.reason.empty());
  EXPECT_LE(line.reason.size(), 400u) << line.reason.substr(0, 400);
}

// Ranges that continue one increasing abscissa are joined, with the gaps between them;
// ranges that overlap the first are left out, and named.
TEST(ReaderProcess, BlocksOfOneScanAreJoined) {
  // The reason (none), the points read and their range, then each block: its number, first
  // and last abscissa, and whether it was left out.
  auto summary = [](const imported_data& d) {
    std::ostringstream s;
    s << d.reason << d.x.size();
    if (!d.x.empty()) s << " " << d.x.front() << "-" << d.x.back();
    for (const import_block& b : d.blocks)
      s << " | " << b.number << " " << b.first << "-" << b.last << (b.used ? "" : " left out");
    return s.str();
  };
  const imported_data joined = import_data_bytes("three.raw", raw2({{10, 0.5, 21}, {30, 0.5, 6}, {40, 0.5, 11}}));
  EXPECT_EQ(joined.format_name, "Siemens/Bruker RAW");
  EXPECT_EQ(summary(joined), "38 10-45 | 1 10-20 | 2 30-32.5 | 3 40-45");
  EXPECT_EQ(joined.x.at(21), 30.0);
  // After a block left out, nothing is joined.
  const imported_data overlap = import_data_bytes("overlap.raw", raw2({{10, 0.5, 21}, {15, 0.5, 6}, {40, 0.5, 3}}));
  EXPECT_EQ(summary(overlap), "21 10-20 | 1 10-20 | 2 15-17.5 left out | 3 40-41 left out");
}

// The answer of the reader round-trips, and none of its cut-off prefixes decodes.
TEST(ReaderProcess, AnswerBytes) {
  import_reply r;
  r.format_name = "Siemens/Bruker RAW";
  r.meta = "LAMDA1 = 1.5406\n";
  r.blocks = {{"range 1", "2theta", "STEP = 0.5\n", {10, 10.5}, {100, 101}}, {"", "", "", {}, {}}};
  const std::string bytes = encode_reply(r);
  const std::optional<import_reply> back = decode_reply(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->blocks.at(0).x, r.blocks[0].x);
  EXPECT_EQ(encode_reply(*back), bytes);  // every field came back
  for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(decode_reply(std::string_view(bytes).substr(0, n))) << n;
  EXPECT_FALSE(decode_reply(bytes + "x"));
}
