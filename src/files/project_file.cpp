#include "files/project_file.h"
#include "files/curve_sigma_block.h"
#include "files/project_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "project/allocextra.h"
#include "numeric/elements.h"
#include "numeric/safe_files.h"
#include "project/calc_records.h"
#include "project/changes.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/reopen.h"
#include "project/rdf.h"

namespace {

constexpr int file_version = 1;

// Writing and reading share one description of the window block: the two adapters give
// byte_writer and byte_reader the same signatures.
struct writing {
  byte_writer& out;
  bool i32(int& v) { return out.i32(v), true; }
  bool f64(double& v) { return out.f64(v), true; }
  bool i32s(int* v, int n) { return out.i32s(v, n), true; }
  bool f64s(double* v, int n) { return out.f64s(v, n), true; }
  bool text(std::string& s) { return out.text(s), true; }
  bool colour(color& c) { return out.colour(c), true; }
};

struct reading {
  byte_reader& in;
  bool i32(int& v) { return in.i32(v); }
  bool f64(double& v) { return in.f64(v); }
  bool i32s(int* v, int n) { return in.i32s(v, n); }
  bool f64s(double* v, int n) { return in.f64s(v, n); }
  bool text(std::string& s) { return in.text(s); }
  bool colour(color& c) { return in.colour(c); }
};

// Items 9 to 61 of a curve block (after the window size).
template <class IO>
bool window_settings(IO& io, curve& c) {
  bool ok = io.f64s(c.cmin, 2) && io.f64s(c.cmax, 2) && io.i32(c.show_title) &&
            io.i32(c.default_title);
  if (ok && c.default_title == 0) ok = io.text(c.title);
  // The axis title offsets are stored interleaved: x[0], y[0], x[1], y[1].
  ok = ok && io.f64s(c.title_pos, 2) && io.text(c.title_font) && io.colour(c.title_color) &&
       io.f64s(c.axmin, 2) && io.f64s(c.axmax, 2) && io.text(c.x_axis_title) &&
       io.text(c.x_axis_title_font) && io.text(c.y_axis_title) && io.text(c.y_axis_title_font) &&
       io.i32(c.x_axis_title_pos[0]) && io.i32(c.y_axis_title_pos[0]) &&
       io.i32(c.x_axis_title_pos[1]) && io.i32(c.y_axis_title_pos[1]) && io.i32(c.aspect) &&
       io.i32s(c.scale, 2) && io.i32(c.x_axis_defaut_title) && io.i32(c.y_axis_defaut_title) &&
       io.i32s(c.autoscale, 2) && io.f64s(c.majt, 2) && io.i32s(c.mint, 2) &&
       io.i32s(c.ticks_io, 2) && io.i32s(c.ticks_pos, 2) && io.i32s(c.majt_size, 2) &&
       io.i32s(c.mint_size, 2) && io.i32s(c.labels_pos, 2) && io.i32s(c.labels_digit, 2) &&
       io.text(c.labels_font[0]) && io.text(c.labels_font[1]) && io.f64s(c.labels_angle, 2) &&
       io.i32s(c.labels_shift_x, 2) && io.i32s(c.labels_shift_y, 2) && io.i32s(c.grid, 2) &&
       io.i32s(c.show_axis, 2) && io.i32(c.show_legend) && io.text(c.legend_font) &&
       io.f64s(c.legend_pos, 2) && io.colour(c.legend_color) && io.i32(c.show_legend_box) &&
       io.i32(c.legend_box_dash) && io.f64(c.legend_box_thickness) && io.colour(c.legend_box) &&
       io.i32(c.show_frame) && io.i32(c.frame_type) && io.i32(c.frame_dash) &&
       io.f64(c.frame_thickness) && io.colour(c.frame_color) && io.f64s(c.frame, 4) &&
       io.colour(c.datac) && io.colour(c.backc) && io.f64(c.thickness) && io.i32(c.dash) &&
       io.i32(c.glyph) && io.f64(c.gsize) && io.i32(c.gfreq) && io.i32(c.cstart) &&
       io.i32(c.cend);
  return ok;
}

// The style of one extra set, after its identifying ints.
template <class IO>
bool extra_style(IO& io, double& thick, int& dash, int& glyph, int& aspect, double& gsize,
                 int& gfreq, color& col) {
  return io.f64(thick) && io.i32(dash) && io.i32(glyph) && io.i32(aspect) && io.f64(gsize) &&
         io.i32(gfreq) && io.colour(col);
}

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Values that drawing uses as table indexes, loop counts or sizes.
bool display_settings_valid(const curve& c) {
  for (int a = 0; a < 2; ++a)
    if (!in_range(c.labels_digit[a], 0, max_labels_digit) || !in_range(c.scale[a], 0, 1) ||
        !in_range(c.ticks_pos[a], 0, max_side) || !in_range(c.labels_pos[a], 0, max_side) ||
        c.mint[a] < 0)
      return false;
  return in_range(c.dash, 0, max_dash) && in_range(c.frame_dash, 0, max_dash) &&
         in_range(c.legend_box_dash, 0, max_dash) && in_range(c.glyph, 0, max_glyph) &&
         in_range(c.frame_type, 0, max_frame_type) && in_range(c.aspect, 0, 1) && c.gfreq >= 1 &&
         c.cstart >= 0 && c.cend >= c.cstart;
}

bool extra_set_valid(const stored_extra_set& s) {
  return in_range(s.dash, 0, max_dash) && in_range(s.glyph, 0, max_glyph) &&
         in_range(s.aspect, 0, 1) && s.gfreq >= 1;
}

curve* curve_at(int p, int rid, int cid) {
  if (!valid_project(p) || rid < 0 || rid >= ncalc) return nullptr;
  auto& list = proj[p].curves[rid];
  if (cid < 0 || cid >= static_cast<int>(list.size()) || cid >= proj[p].numc[rid]) return nullptr;
  return list[cid].get();
}

// The curves a block may hold: the records that exist, at most numc of them.
int stored_curves(const project& r, int rid) {
  return std::min(r.numc[rid], static_cast<int>(r.curves[rid].size()));
}

// Curve windows and editors set activep, activer and activec before working on a
// curve; file code that builds slot tables does the same and then puts them back.
struct active_curve_scope {
  int p = activep, r = activer, c = activec;
  active_curve_scope(int np, int nr, int nc) {
    activep = np;
    activer = nr;
    activec = nc;
  }
  ~active_curve_scope() {
    activep = p;
    activer = r;
    activec = c;
  }
};

// Slot tables built before projects were opened or closed hold stale project positions;
// rebuild them (carrying every slot over) before they are written.
void refresh_stale_extras(int p, int rid, int cid, curve& c) {
  if (c.extras <= 0) return;
  bool stale = c.extra_nproj != nprojects;
  for (int i = 0; !stale && i < nprojects; ++i)
    stale = i >= static_cast<int>(c.extra_pids.size()) || c.extra_pids[i] != proj[i].id;
  if (!stale) return;
  active_curve_scope scope(p, rid, cid);
  allocextra(0, p, rid, cid);
}

bool write_all(std::FILE* stream, const byte_writer& w) {
  const auto& d = w.data();
  return stream && std::fwrite(d.data(), 1, d.size(), stream) == d.size();
}

}  // namespace

// ---------------------------------------------------------------------------- writing

void encode_project_curve(byte_writer& out, int mode, int p, int rid, int cid) {
  curve* cp = curve_at(p, rid, cid);
  if (!cp) return;
  curve& c = *cp;
  if (mode > 0) out.i32(p);
  out.i32(rid);
  out.i32(cid);
  // A curve whose settings came from a file keeps them although its window is not open.
  int flag = (c.window || c.keep_display) ? 1 : 0;
  out.i32(flag);
  int n = std::min({c.ndata, static_cast<int>(c.data[0].size()), static_cast<int>(c.data[1].size())});
  out.i32(n);
  out.f64s(c.data[0].data(), n);
  out.f64s(c.data[1].data(), n);
  if (!flag) return;

  // The record keeps the plot height; the file holds the full window height.
  if (c.window && hooks().window_size) {
    int w = c.wsize[0], h = c.wsize[1] + curve_window_bar;
    hooks().window_size(c, w, h);
    c.wsize[0] = w;
    c.wsize[1] = std::max(h - curve_window_bar, 0);
  }
  out.i32(c.wsize[0]);
  out.i32(c.wsize[1] + curve_window_bar);
  writing io{out};
  window_settings(io, c);

  refresh_stale_extras(p, rid, cid, c);
  std::vector<int> chosen;
  for (int i = 0; i < c.extras && i < static_cast<int>(c.extrasets.size()); ++i) {
    const auto& s = c.extrasets[i];
    if (s[0] != 1) continue;
    if (mode == 0 ? s[1] != p : !valid_project(s[1])) continue;
    chosen.push_back(i);
  }
  out.i32(static_cast<int>(chosen.size()));
  for (int i : chosen) {
    if (mode > 0) out.i32(c.extrasets[i][1]);
    out.i32(c.extrasets[i][3]);  // curve before calculation
    out.i32(c.extrasets[i][2]);
    extra_style(io, c.extrathick[i], c.extradash[i], c.extraglyph[i], c.extraspect[i],
                c.extragsize[i], c.extragfreq[i], c.extracolor[i]);
  }
  out.i32(c.cfile ? 1 : 0);
  if (c.cfile) out.text(*c.cfile);
}

void encode_project(byte_writer& out, int p, int mode) {
  if (!valid_project(p)) return;
  project& r = proj[p];
  out.text(format("%%\n%% project file v-%1d.0\n%%\n", file_version));
  out.text(r.name);
  out.i32(r.trun);
  out.i32(r.prun);
  // The reader stops after the file names when there are no species, so a curve section
  // there could never be read back: such a record is written without calculations.
  int run = r.nspec != 0 ? r.run : 0;
  out.i32(run);
  out.i32(r.nspec);
  out.i32s(r.initok, ncalc);
  out.i32s(r.dialok, ncalc);
  out.i32s(r.visok, ncalc);
  out.i32s(r.calcok, ncalc);
  out.i32s(r.numc, ncalc);
  out.i32s(r.num_delta, ncalc);
  out.f64s(r.delta, ncalc);
  out.f64s(r.min, ncalc);
  out.f64s(r.max, ncalc);
  out.f64s(r.exp_prop, nexp_props);
  out.i32s(r.params, nparams);
  out.i32s(r.checks, nchecks);
  for (const auto& f : r.filename) out.optional_text(f);
  for (int k = 0; k < nspec_props && r.nspec > 0; ++k)
    for (int s = 0; s < r.nspec; ++s)
      out.f64(s < static_cast<int>(r.spec_prop[k].size()) ? r.spec_prop[k][s] : 0.0);
  if (!run) return;

  int count = 0;
  for (int rid = 0; rid < ncalc; ++rid)
    for (int cid = 0; cid < stored_curves(r, rid); ++cid)
      if (r.curves[rid][cid]->ndata != 0) ++count;
  out.i32(count);
  for (int rid = 0; rid < ncalc; ++rid)
    for (int cid = 0; cid < stored_curves(proj[p], rid); ++cid)
      if (proj[p].curves[rid][cid]->ndata != 0) encode_project_curve(out, mode, p, rid, cid);
}

void encode_project_file(byte_writer& out, int p) {
  encode_project(out, p, 0);
  encode_project_options(out, p, 1);
  encode_curve_sigmas(out, p, 1);
}

int save_project(std::FILE* stream, int p, int mode) {
  if (!valid_project(p)) return file_short;
  byte_writer w;
  if (mode == 0)
    encode_project_file(w, p);
  else
    encode_project(w, p, mode);
  return write_all(stream, w) ? file_ok : file_short;
}

int save_project_curve(std::FILE* stream, int mode, int p, int rid, int cid) {
  if (!curve_at(p, rid, cid)) return 1;
  byte_writer w;
  encode_project_curve(w, mode, p, rid, cid);
  return write_all(stream, w) ? 0 : 1;
}

// ---------------------------------------------------------------------------- reading

int place_extra_sets(const pending_extra_sets& pending, int mode) {
  if (!curve_at(pending.p, pending.rid, pending.cid)) return 0;
  active_curve_scope scope(pending.p, pending.rid, pending.cid);
  curve& c = *proj[pending.p].curves[pending.rid][pending.cid];
  c.realloc_extras = 1;
  allocextra(mode, pending.p, pending.rid, pending.cid);
  int placed = 0;
  for (const stored_extra_set& s : pending.sets) {
    // The slot that the table lays out for this (project, calculation, curve).
    int k = -1;
    for (int i = 0; i < c.extras && k < 0; ++i) {
      const auto& e = c.extrasets[i];
      if (e[0] == 0 && e[1] == s.project && e[2] == s.rid && e[3] == s.cid) k = i;
    }
    if (k < 0) return 0;
    c.extrasets[k][0] = 1;
    c.extrathick[k] = s.thick;
    c.extradash[k] = s.dash;
    c.extraglyph[k] = s.glyph;
    c.extraspect[k] = s.aspect;
    c.extragsize[k] = s.gsize;
    c.extragfreq[k] = s.gfreq;
    c.extracolor[k] = s.col;
    ++placed;
  }
  c.extras_shown = placed;
  return 1;
}

int decode_project_curve(byte_reader& in, const read_context& ctx, int p) {
  int q = p;
  if (ctx.mode > 0) {
    int stored;
    // A block names its own project; any other position is not this block's.
    if (!in.i32(stored) || stored != p - ctx.offset) return 0;
  }
  int rid, cid, flag, n;
  if (!in.i32(rid) || !in.i32(cid)) return 0;
  curve* cp = curve_at(q, rid, cid);
  if (!cp) return 0;
  curve& c = *cp;
  if (!in.i32(flag)) return 0;
  if (flag != 1) initcurve(q, rid, cid);
  if (!in.i32(n) || n < 0 || static_cast<size_t>(n) > in.left() / 16) return 0;
  if (!in.f64_array(c.data[0], n) || !in.f64_array(c.data[1], n)) return 0;
  c.ndata = n;
  if (flag != 1) return 1;

  int size[2];
  if (!in.i32s(size, 2) || !in_range(size[0], 0, max_window_size) ||
      !in_range(size[1], 0, max_window_size))
    return 0;
  c.wsize[0] = size[0];
  c.wsize[1] = std::max(size[1] - curve_window_bar, 0);
  reading io{in};
  if (!window_settings(io, c) || !display_settings_valid(c)) return 0;
  c.realloc_extras = 1;
  c.keep_display = 1;

  int count;
  const size_t set_bytes = ctx.mode > 0 ? 56 : 52;
  if (!in.i32(count) || count < 0 || static_cast<size_t>(count) > in.left() / set_bytes) return 0;
  pending_extra_sets pending{q, rid, cid, {}};
  pending.sets.resize(static_cast<size_t>(count));
  for (stored_extra_set& s : pending.sets) {
    s.project = q;
    if (ctx.mode > 0) {
      if (!in.i32(s.project) || !in_range(s.project, 0, ctx.mode - 1)) return 0;
      s.project += ctx.offset;
    }
    if (!in.i32(s.cid) || !in.i32(s.rid) || !in_range(s.rid, 0, ncalc - 1) ||
        !in_range(s.cid, 0, calc_curves[s.rid] - 1))
      return 0;
    if (!extra_style(io, s.thick, s.dash, s.glyph, s.aspect, s.gsize, s.gfreq, s.col) ||
        !extra_set_valid(s))
      return 0;
  }
  int has_file;
  if (!in.i32(has_file)) return 0;
  if (has_file == 1) {
    std::string name;
    if (!in.text(name)) return 0;
    c.cfile = std::move(name);
  } else {
    c.cfile.reset();
  }
  if (count > 0) {
    if (ctx.defer)
      ctx.defer->push_back(std::move(pending));
    else if (!place_extra_sets(pending, ctx.mode))
      return 0;
  }
  return 1;
}

namespace {

int decode_project_body(byte_reader& in, const read_context& ctx, int p) {
  int header;
  bool no_header = true;
  if (!in.i32(header) || header < 0 || !in.skip(static_cast<size_t>(header), no_header))
    return file_short;
  project& r = proj[p];
  if (!in.text(r.name) || !in.i32(r.trun) || !in.i32(r.prun) || !in.i32(r.run) ||
      !in.i32(r.nspec))
    return file_short;
  if (!in_range(r.nspec, 0, nspec_max)) return file_short;
  // Every block this program writes starts with its header text. One with neither header
  // text, nor project name, nor species is what a zero-filled (blanked) file reads as: it
  // holds no project, and opening it as an empty one would hide the damage.
  if (no_header && r.name.empty() && r.nspec == 0) return file_short;
  if (!in.i32s(r.initok, ncalc) || !in.i32s(r.dialok, ncalc) || !in.i32s(r.visok, ncalc) ||
      !in.i32s(r.calcok, ncalc) || !in.i32s(r.numc, ncalc) || !in.i32s(r.num_delta, ncalc) ||
      !in.f64s(r.delta, ncalc) || !in.f64s(r.min, ncalc) || !in.f64s(r.max, ncalc) ||
      !in.f64s(r.exp_prop, nexp_props) || !in.i32s(r.params, nparams) || !in.i32s(r.checks, nchecks))
    return file_short;
  for (int calc = 0; calc < ncalc; ++calc)
    if (!in_range(r.numc[calc], 0, calc_curves[calc])) return file_short;
  if (!in_range(r.params[k_abscissa], -1, 1)) return file_short;
  // The settings among the values: finite, and the codes within their ranges (or unset),
  // as every file this program writes has them.
  for (int i = 0; i < nsetting_rules; ++i) {
    const setting_rule& rule = setting_rules[i];
    if (rule.place != setting_place::exp_prop) continue;
    const double v = r.exp_prop[rule.index];
    if (rule.flags & whole ? !setting_storable(rule, v) : !std::isfinite(v)) {
      set_project_read_problem(rule, v, -1);
      return file_short;
    }
  }
  for (auto& f : r.filename)
    if (!in.optional_text(f)) return file_short;

  int nspec = r.nspec;
  if (nspec > 0) {
    if (in.left() / (8 * nspec_props) < static_cast<size_t>(nspec)) return file_short;
    prepspec(p, nspec);
    project& s = proj[p];
    for (int k = 0; k < nspec_props; ++k)
      if (!in.f64s(s.spec_prop[k].data(), nspec)) return file_short;
    for (int i = 0; i < nspec; ++i) {
      double zf = s.spec_prop[0][i];
      if (!std::isfinite(zf) || zf < -0.5 || zf >= ncoeff_elements + 0.5) return file_short;
      int z = static_cast<int>(std::lround(zf));
      if (z >= 1) {  // 0 = atomic number not entered yet
        s.spec_symbol[i] = std::string(atsym_of(z));
        s.spec_name[i] = std::string(element_of(z));
      }
    }
    if (s.run) {
      create_curve_records(p);
      if (proj[p].initok[calc_ra]) init_curve_names(p, 0, 0);
      if (hooks().curve_records_created) hooks().curve_records_created(p);
      int count;
      int total = 0;
      for (int calc = 0; calc < ncalc; ++calc) total += calc_curves[calc];
      if (!in.i32(count) || !in_range(count, 0, total)) return file_short;
      for (int i = 0; i < count; ++i)
        if (decode_project_curve(in, ctx, p) != 1) return file_bad_curve;
      infer_step_sources(p);
      update_rdf(p);  // derived from G(r), not stored
      project& t = proj[p];
      for (int calc = 0; calc < ncalc; ++calc) {
        if (!t.visok[calc]) continue;
        for (auto& c : t.curves[calc])
          if (c->ndata > 0 && hooks().view_button_state) hooks().view_button_state(*c, 0, 1);
      }
    }
  } else {
    // Without species the block ends after the file names; a calculation flag there
    // cannot come with curves.
    r.run = 0;
  }
  // A project file ends with its own options block; a workspace has one after all projects.
  if (ctx.mode != 0) return file_ok;
  const int code = decode_project_options(in, p, 1);
  return code == file_ok ? decode_curve_sigmas(in, p, 1) : code;
}

}  // namespace

int decode_project(byte_reader& in, const read_context& ctx, int p) {
  if (!valid_project(p)) return file_short;
  if (ctx.mode == 0) clear_project_read_problem();
  int code;
  try {
    code = decode_project_body(in, ctx, p);
  } catch (const std::bad_alloc&) {  // a file within the size bound, but no memory left
    code = file_short;
  }
  if (code == file_ok && hooks().update_project && !hooks().update_project())
    code = file_refresh;
  if (code == file_ok) active_project_changed(activep);
  if (code != file_ok) reset_project_record(p);
  mark_project_saved(p);  // what was just read is what the file holds
  return code;
}

bool read_rest(std::FILE* stream, std::vector<uint8_t>& bytes) {
  return read_input_stream(stream, project_max_bytes, bytes) == file_problem::none;
}

namespace {

// Reads the rest of the stream, parses one item and leaves the stream just after it.
template <class F>
int parse_from_stream(std::FILE* stream, int failure, F parse) {
  if (!stream) return failure;
  long start = std::ftell(stream);
  std::vector<uint8_t> bytes;
  if (!read_rest(stream, bytes)) return failure;
  byte_reader in(bytes);
  int result = failure;
  try {
    result = parse(in);
  } catch (const std::bad_alloc&) {  // refused like a damaged block, never an abort
  }
  if (start >= 0) std::fseek(stream, start + static_cast<long>(in.position()), SEEK_SET);
  return result;
}

}  // namespace

int open_project(std::FILE* stream, int mode) {
  if (!valid_project(activep)) return file_short;
  return parse_from_stream(stream, file_short, [&](byte_reader& in) {
    read_context ctx{mode, 0, nullptr};
    return decode_project(in, ctx, activep);
  });
}

int open_project_curve(std::FILE* stream, int mode) {
  if (!valid_project(activep)) return 0;
  return parse_from_stream(stream, 0, [&](byte_reader& in) {
    read_context ctx{mode, 0, nullptr};
    return decode_project_curve(in, ctx, activep);
  });
}

std::optional<std::string> read_char(int n, std::FILE* stream) {
  if (n < 0 || !stream) return std::nullopt;
  std::string s;
  // Grow with the bytes actually read, so a huge count cannot allocate ahead of the file.
  char chunk[4096];
  while (static_cast<int>(s.size()) < n) {
    size_t want = std::min(sizeof chunk, static_cast<size_t>(n) - s.size());
    size_t got = std::fread(chunk, 1, want, stream);
    s.append(chunk, got);
    if (got < want) return std::nullopt;
  }
  return s;
}

// ------------------------------------------------------------------------------ files

int write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  return write_file_safely(path, bytes.data(), bytes.size()) ? file_ok : file_short;
}

bool read_whole_file(const std::string& path, std::vector<uint8_t>& bytes) {
  return read_input_file(path, project_max_bytes, bytes) == file_problem::none;
}

int save_project_file(const std::string& path, int p) {
  if (!valid_project(p)) return file_short;
  byte_writer w;
  encode_project_file(w, p);
  return write_file_atomically(path, w.data());
}

int open_project_file(const std::string& path) {
  if (!valid_project(activep)) return file_short;
  std::vector<uint8_t> bytes;
  if (!read_whole_file(path, bytes)) return file_short;
  byte_reader in(bytes);
  read_context ctx{0, 0, nullptr};
  const int p = activep;
  const int code = decode_project(in, ctx, p);
  if (code == file_ok && valid_project(p))
    proj[p].source = read_source{path, static_cast<long long>(bytes.size()), sha256_hex(bytes.data(), bytes.size())};
  return code;
}
