#include "files/project_options.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/project_file.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/setting_table.h"
#include "project/sq_refine.h"

namespace {

constexpr const char* marker = "%amoq options v-1\n";
std::string read_problem;
constexpr int max_key = 64;

bool is_default(double v, double d) { return std::memcmp(&v, &d, sizeof v) == 0; }

// Beside the settings, the steps whose results no longer follow them (bit `calc` of the
// value), so that a project saved before it was recalculated reopens marked.
constexpr const char* out_of_date_key = "out_of_date";

double out_of_date_bits(const project& r) {
  int bits = 0;
  for (int calc = 0; calc < ncalc; ++calc)
    if (r.out_of_date[calc]) bits |= 1 << calc;
  return bits;
}

void restore_out_of_date(project& r, double bits) {
  const int b = bits >= 0 && bits < (1 << ncalc) ? static_cast<int>(bits) : 0;
  for (int calc = 0; calc < ncalc; ++calc) r.out_of_date[calc] = (b >> calc) & 1;
}

}  // namespace

const std::string& project_read_problem() { return read_problem; }

void set_project_read_problem(const setting_rule& rule, double value, int project) {
  read_problem = format(tr("%s = %g is out of range"), rule.file_key ? rule.file_key : rule.key, value);
  if (rule.message) read_problem += std::string(": ") + tr(rule.message);
  if (project >= 0) read_problem = format(tr("project %d: %s"), project + 1, read_problem.c_str());
}
void clear_project_read_problem() { read_problem.clear(); }
void set_project_read_problem_text(const std::string& text) { read_problem = text; }

void encode_project_options(byte_writer& out, int first, int count) {
  const project_options defaults;
  struct entry {
    int project;
    const project_option_field* field;
  };
  std::vector<entry> entries;
  for (int i = 0; i < count; ++i) {
    if (!valid_project(first + i)) continue;
    const project_options& o = proj[first + i].options;
    for (int k = 0; k < nproject_option_fields; ++k) {
      const auto m = project_option_fields[k].member;
      if (!is_default(o.*m, defaults.*m)) entries.push_back({i, &project_option_fields[k]});
    }
  }
  std::vector<int> marked;
  for (int i = 0; i < count; ++i)
    if (valid_project(first + i) && out_of_date_bits(proj[first + i]) != 0) marked.push_back(i);
  if (entries.empty() && marked.empty()) return;
  out.text(marker);
  out.i32(static_cast<int>(entries.size() + marked.size()));
  for (const entry& e : entries) {
    out.i32(e.project);
    out.text(e.field->key);
    out.f64(proj[first + e.project].options.*(e.field->member));
  }
  for (int i : marked) {
    out.i32(i);
    out.text(out_of_date_key);
    out.f64(out_of_date_bits(proj[first + i]));
  }
}

int decode_project_options(byte_reader& in, int first, int count, int* refused) {
  if (refused) *refused = -1;
  byte_reader peek = in;
  std::string head;
  int len;
  if (!peek.i32(len) || len != static_cast<int>(std::strlen(marker)) || !peek.chars(head, len) ||
      head != marker)
    return file_ok;
  in = peek;
  auto damaged = [] {
    read_problem = tr("the block of settings after the data is damaged");
    return file_short;
  };
  int n;
  if (!in.i32(n) || n < 0 || static_cast<size_t>(n) > in.left() / 16) return damaged();
  // The whole block is read and checked before anything is stored: a damaged block sets
  // no project, a value out of range refuses its project (and, in a workspace, those after
  // it), the projects before it get every one of their values.
  struct entry {
    int project;
    const setting_rule* rule;
    double value;
  };
  std::vector<entry> entries;
  int bad = count;
  for (int e = 0; e < n; ++e) {
    int project, klen;
    std::string key;
    double value;
    if (!in.i32(project) || project < 0 || project >= count || !in.i32(klen) || klen < 0 ||
        klen > max_key || !in.chars(key, klen) || !in.f64(value))
      return damaged();
    if (key == out_of_date_key) {  // session state beside the settings: no range of its own
      entries.push_back({project, nullptr, value});
      continue;
    }
    const setting_rule* rule = setting_by_file_key(key);
    if (!rule || rule->place != setting_place::option) continue;  // a newer version's setting
    if (!setting_storable(*rule, value) && project < bad) {
      bad = project;
      set_project_read_problem(*rule, value, count > 1 ? project : -1);
    }
    entries.push_back({project, rule, value});
  }
  for (const entry& e : entries) {
    if (e.project >= bad || !valid_project(first + e.project)) continue;
    project& r = proj[first + e.project];
    if (e.rule)
      r.options.*(e.rule->member) = e.value;
    else
      restore_out_of_date(r, e.value);
  }
  // r_min of the low-r optimisation follows the entry's rule: a value within its range but
  // outside 0 < r_min < Rmax is shown and the optimisation left on with r_min to be entered
  // again (0.0, as "on" leaves it).
  for (int i = 0; i < bad; ++i) {
    if (!valid_project(first + i)) continue;
    project& r = proj[first + i];
    double& rmin = r.options.lowr_rmin;
    if (rmin == not_set || rmin == 0.0 || !lowr_rmin_problem(rmin, r.exp_prop[k_rmax])) continue;
    show_warning(format(tr("%s: r_min %g of the file (Rmax %g); enter it again in the S(q) dialog"),
                        tr(lowr_rmin_problem(rmin, r.exp_prop[k_rmax])), rmin, r.exp_prop[k_rmax])
                     .c_str());
    rmin = 0.0;
  }
  if (bad == count) return file_ok;
  if (refused) *refused = bad;
  return file_short;
}
