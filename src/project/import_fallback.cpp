#include "project/import_fallback.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "import/data_import.h"
#include "numeric/callbacks.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/settings.h"
#include "project/step_hooks.h"
#include "project/toolbox.h"
#include "project/i18n.h"

namespace {

const char* const refused = N_("Error loading file: format not supported");

const char* format_word(int format) { return format == 0 ? "2θ" : "Q"; }

// Whether refused files of the active project are read with format detection; the first
// refusal is reported and the question asked, later ones follow the answer.
bool detection_chosen(const char* path) {
  project& r = proj[activep];
  if (r.import_choice != 1)
    report_load_error(tr(refused), path, tr("no pair of numbers at the start of the file"));
  if (r.import_choice == 0) {
    r.import_choice =
        ask_question(tr("Read with format detection ?"),
                     format(tr("%s\nis not a plain (x,y) data file.\nRead it, and files like it in "
                            "this project, with format detection\n(instrument files, text with "
                            "a header) ?"),
                            path)
                         .c_str())
            ? 1
            : 2;
  }
  return r.import_choice == 1;
}

// The abscissa the header names, held against what the project reads: the raw data take
// it as their format; a background, cell or step input that disagrees is warned about.
// Returns the note on the abscissa.
std::string adopt_abscissa(const imported_data& d, int id, const char* path) {
  project& r = proj[activep];
  if (d.format < 0)
    return r.params[k_abscissa] >= 0 && id <= 2
               ? format(tr("Abscissa: not recognised, read as %s (the data format)"),
                        format_word(r.params[k_abscissa]))
               : std::string(tr("Abscissa: not recognised"));
  if (id == 0 && d.format != r.params[k_abscissa]) {
    r.params[k_abscissa] = d.format;
    initcnames(0, 1);  // the curve names carry the abscissa
  } else if (id <= 2 && r.params[k_abscissa] >= 0 && d.format != r.params[k_abscissa]) {
    show_warning(format(tr("%s\nhas the abscissa %s, but the raw data are read on %s"),
                        path, format_word(d.format), format_word(r.params[k_abscissa]))
                     .c_str());
  } else if (id > 2 && d.format == 0) {
    show_warning(format(tr("%s\nhas the abscissa 2θ; this input is read as Q"), path).c_str());
  }
  return format(tr("Abscissa: %s"), tr(unit_description(d.header.unit)));
}

// The wavelength the file gives: offered when the project has none, reported when it
// differs from the project's by more than 0.1 %.
std::string wavelength_note(double found) {
  if (!(found > 0.0)) return std::string();
  const double own = proj[activep].exp_prop[k_wavelength];
  if (own > 0.0 && std::fabs(found - own) > 0.001 * own)
    return format(tr("\nWavelength in the file: %f Å, differs from the project's %f Å"), found, own);
  return format(tr("\nWavelength in the file: %f Å"), found);
}

void offer_wavelength(double found) {
  if (!(found > 0.0) || proj[activep].exp_prop[k_wavelength] > 0.0) return;
  if (!ask_question(tr("Wavelength"),
                    format(tr("The file gives the wavelength %f Å.\nUse it for the project ?"), found)
                        .c_str()))
    return;
  set_prop(prop_first_exp, found, -1);
  if (shooks().settings_refresh) shooks().settings_refresh();
}

// " (\"name\")" after a block's number when the file names it.
std::string block_label(const import_block& b) {
  return b.name.empty() ? format("%d", b.number) : format("%d (\"%s\")", b.number, b.name.c_str());
}

// A file of several blocks: the note on the blocks joined into the curve, with their
// ranges and the gaps between them, and the warning naming those left out (empty when none).
void describe_blocks(const std::vector<import_block>& blocks, std::string& note, std::string& left_out) {
  std::string ranges, gaps, out;
  int used = 0;
  const import_block* prev = nullptr;
  for (const import_block& b : blocks) {
    if (!b.used) {
      out += (out.empty() ? "" : ", ") + block_label(b);
      continue;
    }
    ++used;
    ranges += format("%s%s: %g to %g", ranges.empty() ? "" : ", ", block_label(b).c_str(), b.first, b.last);
    // A gap: more than one and a half of the mean steps of the blocks on either side.
    if (prev) {
      const double step = std::max(prev->points > 1 ? (prev->last - prev->first) / (prev->points - 1) : 0.0,
                                   b.points > 1 ? (b.last - b.first) / (b.points - 1) : 0.0);
      if (b.first - prev->last > 1.5 * step) gaps += format("%s%g to %g", gaps.empty() ? "" : ", ", prev->last, b.first);
    }
    prev = &b;
  }
  if (used > 1) {
    note = format(tr("\nBlocks joined into one curve: %s"), ranges.c_str());
    if (!gaps.empty()) note += format(tr("\nGaps without data: %s"), gaps.c_str());
  }
  if (!out.empty())
    left_out = format(tr("Blocks read: %s\nBlocks left out (their abscissae overlap those read or do not "
                         "increase): %s"),
                      ranges.c_str(), out.c_str());
}

std::string imported_header;

}  // namespace

const std::string& last_import_header() { return imported_header; }
void forget_import_header() { imported_header.clear(); }

void report_load_error(const char* first_line, const char* path, const std::string& reason) {
  std::string text = reason.empty() ? format("%s\n%s", first_line, path)
                                    : format("%s\n%s: %s", first_line, path, reason.c_str());
  show_error(text.c_str(), 1);
}

int load_refused_file(const char* path, std::string_view bytes, int id, int calc, int cid) {
  if (!valid_project(activep) || !detection_chosen(path)) return 0;
  imported_data d = import_data_bytes(path, bytes);
  imported_header = d.header_text;
  if (!d.reason.empty()) {
    report_load_error(tr(refused), path, tr(d.reason.c_str()));
    return 0;
  }
  std::string note = format(tr("%s\nread with format detection (%s)\n"),
                            markup_escape(path).c_str(), markup_escape(d.format_name).c_str());
  note += adopt_abscissa(d, id, path);
  note += wavelength_note(d.header.wavelength);
  std::string joined, left_out;
  describe_blocks(d.blocks, joined, left_out);
  note += markup_escape(joined);
  const int n = static_cast<int>(std::min<size_t>(d.x.size(), INT_MAX));
  save_curve_(n, d.x.data(), d.y.data(), calc, cid);
  show_info(note.c_str(), 0);
  if (!left_out.empty()) show_warning(format("%s\n%s", path, left_out.c_str()).c_str());
  offer_wavelength(d.header.wavelength);
  return n;
}
