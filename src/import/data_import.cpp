#include "import/data_import.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <optional>

#include "import/import_reply.h"
#include "numeric/bounded_text.h"
#include "numeric/safe_files.h"

// Texts marked for the message catalogue; the layers above translate them.
#ifndef N_
#define N_(text) text
#endif

namespace fs = std::filesystem;

namespace {

// Bytes of the file's start searched for header lines.
constexpr size_t header_bytes = 64 * 1024;
constexpr const char* reader_name = "amoq-import";

std::vector<std::string> reader_argv;
std::optional<child_limits> limits_set;

bool starts_number(std::string_view line) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string_view::npos) return false;
  if (line[i] == '+' || line[i] == '-') ++i;
  if (i < line.size() && line[i] == '.') ++i;
  return i < line.size() && line[i] >= '0' && line[i] <= '9';
}

// A line of text: no control characters but tab and carriage return (binary headers are
// left out).
bool is_text(std::string_view line) {
  for (char c : line) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\r') return false;
  }
  return true;
}

// Converts the abscissas to the program's units; the data format they then are in.
int convert_abscissa(abscissa_unit unit, std::vector<double>& x) {
  switch (unit) {
    case abscissa_unit::two_theta_deg: return 0;
    case abscissa_unit::two_theta_rad:
      for (double& v : x) v *= 180.0 / M_PI;
      return 0;
    case abscissa_unit::q_per_angstrom: return 1;
    case abscissa_unit::q_per_nm:
      for (double& v : x) v /= 10.0;
      return 1;
    default: return -1;
  }
}

// The pairs of a block up to its first pair that is not finite.
std::size_t finite_prefix(const reply_block& b) {
  std::size_t n = 0;
  while (n < b.x.size() && std::isfinite(b.x[n]) && std::isfinite(b.y[n])) ++n;
  return n;
}

bool increasing(const std::vector<double>& x, std::size_t n) {
  for (std::size_t i = 1; i < n; ++i)
    if (!(x[i] > x[i - 1])) return false;
  return true;
}

// The curve from the reply: the first block with pairs, and the blocks after it as long
// as each continues the increasing abscissa (a scan measured in several ranges); the
// summary of the blocks when there are several. The reply's position of the first block
// used, or -1 (reason set) when no block holds a pair.
int take_blocks(const import_reply& r, imported_data& d) {
  struct usable {
    const reply_block* block;
    int number;
    std::size_t n;
  };
  std::vector<usable> blocks;
  bool two_columns = false;
  for (std::size_t b = 0; b < r.blocks.size(); ++b) {
    two_columns = two_columns || !r.blocks[b].x.empty();
    if (std::size_t n = finite_prefix(r.blocks[b]); n > 0)
      blocks.push_back({&r.blocks[b], static_cast<int>(b) + 1, n});
  }
  if (blocks.empty()) {
    d.reason = r.blocks.empty() ? N_("no data in the file")
                                : two_columns ? N_("no finite data") : N_("fewer than two columns of data");
    return -1;
  }
  std::size_t joined = 1;
  if (increasing(blocks[0].block->x, blocks[0].n))
    while (joined < blocks.size()) {
      const usable& next = blocks[joined];
      const usable& prev = blocks[joined - 1];
      if (!increasing(next.block->x, next.n) || !(next.block->x[0] > prev.block->x[prev.n - 1])) break;
      ++joined;
    }
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    const usable& u = blocks[k];
    if (k < joined) {
      d.x.insert(d.x.end(), u.block->x.begin(), u.block->x.begin() + static_cast<std::ptrdiff_t>(u.n));
      d.y.insert(d.y.end(), u.block->y.begin(), u.block->y.begin() + static_cast<std::ptrdiff_t>(u.n));
    }
    if (blocks.size() > 1)
      d.blocks.push_back({u.number, bounded_text(u.block->name, 80), u.block->x[0], u.block->x[u.n - 1],
                          static_cast<int>(u.n), k < joined});
  }
  return blocks[0].number - 1;
}

std::string reader_failure(const child_result& run) {
  std::string reason = "the instrument reader stopped: " + child_ending_text(run);
  // The library's own last words (glibc's "double free detected", a sanitizer report).
  std::string_view tail = run.err_tail;
  while (!tail.empty() && (tail.back() == '\n' || tail.back() == ' ')) tail.remove_suffix(1);
  if (const std::size_t nl = tail.rfind('\n'); nl != std::string_view::npos) tail.remove_prefix(nl + 1);
  if (!tail.empty() && run.how == child_result::ending::signalled) reason += " (" + bounded_text(tail, 120) + ")";
  return reason;
}

}  // namespace

std::string leading_text(std::string_view bytes) {
  std::string text;
  for (size_t pos = 0; pos < bytes.size();) {
    size_t nl = bytes.find('\n', pos);
    size_t end = nl == std::string::npos ? bytes.size() : nl;
    std::string_view line(bytes.data() + pos, end - pos);
    if (starts_number(line)) break;
    if (is_text(line)) {
      text += line;
      text += '\n';
    }
    pos = end + 1;
  }
  return text;
}

void set_instrument_reader(std::vector<std::string> argv) { reader_argv = std::move(argv); }

std::vector<std::string> instrument_reader() {
  if (!reader_argv.empty()) return reader_argv;
  // Installed beside the programs; in the build tree the programs sit in src/gui/, tools/
  // and tests/, the reader in tools/.
  std::error_code ec;
  const fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  for (const fs::path& p : {dir / reader_name, dir / ".." / "tools" / reader_name,
                            dir / ".." / ".." / "tools" / reader_name})
    if (fs::is_regular_file(p, ec)) return {p.string()};
  return {(dir / reader_name).string()};
}

child_limits instrument_reader_limits(std::size_t size) {
  if (limits_set) return *limits_set;
  child_limits l;
  // The bytes, their copy as doubles and the answer, with room for the library itself.
  l.memory_bytes = (std::size_t{768} << 20) + 6 * size;
  l.output_bytes = reply_max_bytes;
  return l;
}

void set_instrument_reader_limits(const child_limits* limits) {
  limits_set = limits ? std::optional<child_limits>(*limits) : std::nullopt;
}

imported_data import_data_bytes(const std::string& name, std::string_view bytes) {
  imported_data d;
  if (bytes.empty()) {
    d.reason = N_("the file is empty");
    return d;
  }
  if (bytes.size() > static_cast<std::size_t>(import_max_bytes)) {
    d.reason = N_("the file is larger than 256 MiB");
    return d;
  }
  std::vector<std::string> argv = instrument_reader();
  argv.push_back(fs::path(name).filename().string());
  const child_result run = run_limited(argv, bytes, instrument_reader_limits(bytes.size()));
  if (run.how != child_result::ending::exited || run.status != 0) {
    d.reason = reader_failure(run);
    return d;
  }
  return import_from_reply(run.out, bytes);
}

imported_data import_from_reply(std::string_view answer, std::string_view bytes) {
  imported_data d;
  const std::optional<import_reply> reply = decode_reply(answer);
  if (!reply) {
    d.reason = N_("the instrument reader gave an answer that is not one");
    return d;
  }
  if (reply->refused) {  // a refusal without a reason is still a refusal
    d.reason = reply->reason.empty() ? std::string(N_("unknown format or no data")) : bounded_text(reply->reason);
    return d;
  }
  d.format_name = bounded_text(reply->format_name, 80);
  const int used = take_blocks(*reply, d);
  if (used < 0) return d;
  const reply_block& first = reply->blocks[static_cast<std::size_t>(used)];
  std::string text = leading_text(bytes.substr(0, std::min(bytes.size(), header_bytes)));
  text += reply->meta;
  text += first.meta;
  // The abscissa's column name last: the unit is taken from the last line naming one.
  text += first.x_name + "\n";
  d.header = recognise_header(text);
  d.header_text = std::move(text);
  d.format = convert_abscissa(d.header.unit, d.x);
  if (d.format >= 0)
    for (import_block& b : d.blocks) {
      std::vector<double> ends = {b.first, b.last};
      convert_abscissa(d.header.unit, ends);
      b.first = ends[0], b.last = ends[1];
    }
  return d;
}

imported_data import_data_file(const std::string& path) {
  std::vector<uint8_t> bytes;
  const file_problem problem = read_input_file(path, static_cast<std::size_t>(import_max_bytes), bytes);
  imported_data d;
  if (problem == file_problem::too_large) {
    d.reason = N_("the file is larger than 256 MiB");
  } else if (problem == file_problem::missing) {
    d.reason = N_("file does not exist");
  } else if (problem == file_problem::directory || problem == file_problem::not_regular) {
    d.reason = N_("not a regular file");
  } else if (problem != file_problem::none) {
    d.reason = N_("the file cannot be read");
  } else {
    d = import_data_bytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  return d;
}
