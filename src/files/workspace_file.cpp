#include "files/workspace_file.h"

#include <algorithm>
#include <new>
#include <vector>

#include "project/allocextra.h"
#include "files/project_file.h"
#include "files/curve_sigma_block.h"
#include "files/project_options.h"
#include "project/hooks.h"
#include "project/messages.h"
#include "project/project.h"

namespace {
constexpr int file_version = 1;
}

int encode_workspace(byte_writer& out) {
  out.text(format("%%\n%% Workspace file v-%1d.0\n%%\n", file_version));
  int n = nprojects;
  out.i32(n);
  if (n < 1) return workspace_empty;
  for (int p = 0; p < n; ++p) out.i32(proj[p].params[k_abscissa]);
  for (int p = 0; p < n; ++p) encode_project(out, p, n);
  encode_project_options(out, 0, n);
  encode_curve_sigmas(out, 0, n);
  return file_ok;
}

namespace {

int decode_workspace_body(byte_reader& in) {
  int header, n;
  if (!in.i32(header) || header < 0 || !in.skip(static_cast<size_t>(header))) return file_short;
  if (!in.i32(n)) return file_short;
  if (n < 1) return workspace_empty;
  // The abscissa table must be in the file before it is allocated.
  if (static_cast<size_t>(n) > in.left() / 4) return file_short;

  const int offset = nprojects;
  pparamstmp.assign(static_cast<size_t>(offset + n), -1);
  for (int p = 0; p < offset; ++p) pparamstmp[p] = proj[p].params[k_abscissa];
  for (int i = 0; i < n; ++i)
    if (!in.i32(pparamstmp[offset + i])) return file_short;

  std::vector<pending_extra_sets> pending;
  read_context ctx{n, offset, &pending};
  int code = file_ok;
  for (int i = 0; i < n && code == file_ok; ++i) {
    init_project();
    code = decode_project(in, ctx, activep);
    // The abscissa table lays out the extra-set slots while the workspace is read; one
    // that disagrees with its project would place sets the saved file cannot find again.
    if (code == file_ok && proj[activep].params[k_abscissa] != pparamstmp[offset + i]) code = file_short;
    if (code != file_ok) close_project_record(activep);
  }
  // The options block: damaged, it leaves every project of the workspace without its
  // settings, so none is opened; a value out of range refuses its project and, as a
  // damaged project block does, those after it.
  if (code == file_ok) {
    int refused = -1;
    code = decode_project_options(in, offset, n, &refused);
    if (code == file_ok) code = decode_curve_sigmas(in, offset, n);
    if (code != file_ok) {
      while (nprojects > offset + std::max(refused, 0)) close_project_record(nprojects - 1);
    }
  }

  // Place the extra sets now that every project that could be read exists. A set that
  // names a project that failed is dropped; a set without a slot in the table is a
  // corrupt curve block, and its project and those after it are closed.
  int last = nprojects;  // positions >= last are closed below
  for (pending_extra_sets& pe : pending) {
    if (pe.p >= last) continue;
    std::erase_if(pe.sets, [&](const stored_extra_set& s) { return s.project >= nprojects; });
    if (!place_extra_sets(pe, n)) {
      last = pe.p;
      if (code == file_ok) code = file_bad_curve;
    }
  }
  while (nprojects > last) close_project_record(nprojects - 1);

  for (int p = offset; p < nprojects; ++p) {
    activep = p;
    if (hooks().project_added) hooks().project_added();
  }
  if (nprojects > offset) active_project_changed(nprojects - 1);
  if (code == file_ok) newspace = 0;
  return code;
}

}  // namespace

int decode_workspace(byte_reader& in) {
  const int offset = nprojects;
  clear_project_read_problem();
  try {
    return decode_workspace_body(in);
  } catch (const std::bad_alloc&) {  // a file within the size bound, but no memory left
    while (nprojects > offset) close_project_record(nprojects - 1);
    return file_short;
  }
}

int open_save_workspace(std::FILE* stream, int direction) {
  if (!stream) return file_short;
  if (direction == 1) {
    byte_writer w;
    int code = encode_workspace(w);
    const auto& d = w.data();
    if (std::fwrite(d.data(), 1, d.size(), stream) != d.size()) return file_short;
    if (code == file_ok) newspace = 0;
    return code;
  }
  std::vector<uint8_t> bytes;
  if (!read_rest(stream, bytes)) return file_short;
  byte_reader in(bytes);
  return decode_workspace(in);
}

int save_workspace_file(const std::string& path) {
  byte_writer w;
  int code = encode_workspace(w);
  if (code != file_ok) return code;
  code = write_file_atomically(path, w.data());
  if (code == file_ok) newspace = 0;
  return code;
}

int open_workspace_file(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!read_whole_file(path, bytes)) return file_short;
  byte_reader in(bytes);
  return decode_workspace(in);
}
