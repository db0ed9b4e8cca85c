#include "files/curve_sigma_block.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/project_file.h"
#include "files/project_options.h"
#include "project/curve.h"
#include "project/i18n.h"
#include "project/project.h"
#include "project/uncertainty.h"

namespace {

constexpr const char* marker = "%amoq sigma v-1\n";

struct sigma_entry {
  int project, calc, cid;
  std::vector<double> sigma;
};

}  // namespace

void encode_curve_sigmas(byte_writer& out, int first, int count) {
  struct held {
    int project, calc, cid;
    const std::vector<double>* sigma;
  };
  std::vector<held> entries;
  for (int i = 0; i < count; ++i)
    for (int calc = 0; calc < ncalc && uncertainties_on(first + i); ++calc)
      for (int cid = 0; cid < static_cast<int>(proj[first + i].curves[calc].size()); ++cid)
        if (const std::vector<double>* s = curve_sigma(first + i, calc, cid)) entries.push_back({i, calc, cid, s});
  if (entries.empty()) return;
  out.text(marker);
  out.i32(static_cast<int>(entries.size()));
  for (const held& e : entries) {
    out.i32(e.project);
    out.i32(e.calc);
    out.i32(e.cid);
    out.i32(static_cast<int>(e.sigma->size()));
    out.f64s(e.sigma->data(), static_cast<int>(e.sigma->size()));
  }
}

int decode_curve_sigmas(byte_reader& in, int first, int count) {
  byte_reader peek = in;
  std::string head;
  int len;
  if (!peek.i32(len) || len != static_cast<int>(std::strlen(marker)) || !peek.chars(head, len) || head != marker)
    return file_ok;
  in = peek;
  int n;
  // Each entry takes at least 16 bytes: its count is checked before anything is allocated.
  bool ok = in.i32(n) && n >= 0 && static_cast<size_t>(n) <= in.left() / 16;
  std::vector<sigma_entry> entries;
  for (int e = 0; ok && e < n; ++e) {
    sigma_entry s;
    int points;
    ok = in.i32(s.project) && in.i32(s.calc) && in.i32(s.cid) && in.i32(points) && s.project >= 0 &&
         s.project < count && s.calc >= 0 && s.calc < ncalc && in.f64_array(s.sigma, points);
    const curve* c = ok ? find_curve(first + s.project, s.calc, s.cid) : nullptr;
    ok = ok && c && curve_points(*c) == points;
    for (double v : s.sigma) ok = ok && std::isfinite(v) && v >= 0.0;
    if (ok) entries.push_back(std::move(s));
  }
  if (!ok) {
    set_project_read_problem_text(tr("the block of uncertainties after the data is damaged"));
    return file_short;
  }
  // Deviations are held only by a project that propagates them (its options block says so).
  for (sigma_entry& s : entries)
    if (uncertainties_on(first + s.project)) store_curve_sigma(first + s.project, s.calc, s.cid, std::move(s.sigma));
  return file_ok;
}
