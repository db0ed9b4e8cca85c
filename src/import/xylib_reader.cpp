#include "import/xylib_reader.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <istream>
#include <memory>
#include <streambuf>

#include <xylib/xylib.h>

namespace {

// An input stream over bytes already in memory (no copy), seekable as the format readers
// need.
class memory_buffer : public std::streambuf {
 public:
  explicit memory_buffer(std::string_view bytes) {
    char* p = const_cast<char*>(bytes.data());
    setg(p, p, p + bytes.size());
  }

 protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
    if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
    const off_type size = egptr() - eback();
    off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback() : size;
    const off_type to = base + off;
    if (to < 0 || to > size) return pos_type(off_type(-1));
    setg(eback(), eback() + to, egptr());
    return pos_type(to);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    return seekoff(off_type(pos), std::ios_base::beg, which);
  }
};

std::string metadata_lines(const xylib::MetaData& meta) {
  std::string text;
  for (size_t i = 0; i < meta.size(); ++i) {
    const std::string& key = meta.get_key(i);
    text += key + " = " + meta.get(key) + "\n";
  }
  return text;
}

bool names_extension(const char* extensions, const std::string& ext) {
  std::string_view list = extensions ? extensions : "";
  while (!list.empty()) {
    size_t end = std::min(list.find(' '), list.size());
    if (list.substr(0, end) == ext) return true;
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return false;
}

// The bytes read as format fi into a data set owned here (xylib's own loader loses the
// data set when the format's reader throws).
std::unique_ptr<xylib::DataSet> load_as(const xylib::FormatInfo* fi, std::istream& in, const std::string& name) {
  if (!fi) throw xylib::RunTimeError("unknown format");
  in.clear();
  in.seekg(0);
  std::unique_ptr<xylib::DataSet> ds(fi->ctor());
  ds->load_data(in, name.c_str());
  return ds;
}

// The format detected from the content; when that fails, each format the extension names.
// Throws what the content detection threw when nothing reads the bytes.
std::unique_ptr<xylib::DataSet> load(std::istream& in, const std::string& name) {
  std::exception_ptr first;
  try {
    return load_as(xylib::guess_filetype(name, in, nullptr), in, name);
  } catch (const std::exception&) {
    first = std::current_exception();
  }
  std::string ext = std::filesystem::path(name).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!ext.empty()) ext.erase(0, 1);
  // The C list of formats holds the library's FormatInfo records.
  for (int i = 0; const xylibFormat* f = xylib_get_format(i); ++i) {
    if (ext.empty() || !names_extension(f->exts, ext)) continue;
    try {
      return load_as(static_cast<const xylib::FormatInfo*>(f), in, name);
    } catch (const std::exception&) {
    }
  }
  std::rethrow_exception(first);
}

import_reply refusal(std::string reason) {
  import_reply r;
  r.refused = true;
  r.reason = std::move(reason);
  return r;
}

}  // namespace

import_reply read_instrument_file(const std::string& name, std::string_view bytes) {
  memory_buffer buffer(bytes);
  std::istream in(&buffer);
  // xylib reports a file it cannot read by exceptions.
  try {
    std::unique_ptr<xylib::DataSet> ds = load(in, name);
    if (!ds) return refusal("unknown format");
    import_reply r;
    r.format_name = ds->fi && ds->fi->desc ? ds->fi->desc : "";
    r.meta = metadata_lines(ds->meta);
    for (int b = 0; b < ds->get_block_count(); ++b) {
      const xylib::Block& block = *ds->get_block(b);
      reply_block out;
      out.name = block.get_name();
      out.meta = metadata_lines(block.meta);
      const int n = block.get_point_count();
      if (block.get_column_count() >= 2 && n > 0) {
        out.x_name = block.get_column(1).get_name();
        const int kept = std::min<long long>(n, static_cast<long long>(reply_max_points));
        for (int i = 0; i < kept; ++i) {
          out.x.push_back(block.get_column(1).get_value(i));
          out.y.push_back(block.get_column(2).get_value(i));
        }
      }
      r.blocks.push_back(std::move(out));
    }
    return r;
  } catch (const std::bad_alloc&) {
    return refusal("not enough memory");
  } catch (const std::exception& e) {
    return refusal(std::string("unknown format or no data (") + e.what() + ")");
  } catch (...) {
    return refusal("unknown format or no data");
  }
}
