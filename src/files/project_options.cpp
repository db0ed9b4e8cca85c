#include "files/project_options.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/project_file.h"
#include "project/i18n.h"
#include "project/messages.h"
#include "project/project.h"
#include "project/sq_refine.h"

namespace {

constexpr const char* marker = "%amoq options v-1\n";
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

int decode_project_options(byte_reader& in, int first, int count) {
  byte_reader peek = in;
  std::string head;
  int len;
  if (!peek.i32(len) || len != static_cast<int>(std::strlen(marker)) || !peek.chars(head, len) ||
      head != marker)
    return file_ok;
  in = peek;
  int n;
  if (!in.i32(n) || n < 0 || static_cast<size_t>(n) > in.left() / 16) return file_short;
  for (int e = 0; e < n; ++e) {
    int project, klen;
    std::string key;
    double value;
    if (!in.i32(project) || project < 0 || project >= count || !in.i32(klen) || klen < 0 ||
        klen > max_key || !in.chars(key, klen) || !in.f64(value) || !std::isfinite(value))
      return file_short;
    if (!valid_project(first + project)) continue;
    if (key == out_of_date_key) restore_out_of_date(proj[first + project], value);
    for (int k = 0; k < nproject_option_fields; ++k)
      if (key == project_option_fields[k].key)
        proj[first + project].options.*(project_option_fields[k].member) = value;
  }
  // r_min of the low-r optimisation follows the entry's rule: a value outside it is shown
  // and the optimisation left on with r_min to be entered again (0.0, as "on" leaves it).
  for (int i = 0; i < count; ++i) {
    if (!valid_project(first + i)) continue;
    project& r = proj[first + i];
    double& rmin = r.options.lowr_rmin;
    if (rmin == not_set || rmin == 0.0 || !lowr_rmin_problem(rmin, r.exp_prop[k_rmax])) continue;
    show_warning(format(tr("%s: r_min %g of the file (Rmax %g); enter it again in the S(q) dialog"),
                        tr(lowr_rmin_problem(rmin, r.exp_prop[k_rmax])), rmin, r.exp_prop[k_rmax])
                     .c_str());
    rmin = 0.0;
  }
  return file_ok;
}
