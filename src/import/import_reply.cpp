#include "import/import_reply.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view magic = "AMOQimp1";

void put_u32(std::string& out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}

void put_text(std::string& out, std::string_view text) {
  text = text.substr(0, reply_max_text);
  put_u32(out, static_cast<uint32_t>(text.size()));
  out.append(text);
}

void put_f64(std::string& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int k = 0; k < 8; ++k) out += static_cast<char>((bits >> (8 * k)) & 0xFF);
}

// Reads little-endian values off the front of the bytes; every read checks what is left.
class reader {
 public:
  explicit reader(std::string_view bytes) : rest_(bytes) {}

  bool u8(uint8_t& v) {
    if (rest_.empty()) return false;
    v = static_cast<uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return true;
  }
  bool u32(uint32_t& v) {
    if (rest_.size() < 4) return false;
    v = 0;
    for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(static_cast<uint8_t>(rest_[k])) << (8 * k);
    rest_.remove_prefix(4);
    return true;
  }
  bool text(std::string& v) {
    uint32_t n;
    if (!u32(n) || n > reply_max_text || n > rest_.size()) return false;
    v.assign(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return true;
  }
  bool f64s(std::vector<double>& v, std::size_t n) {
    if (n > rest_.size() / 8) return false;
    v.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      uint64_t bits = 0;
      for (int k = 0; k < 8; ++k) bits |= static_cast<uint64_t>(static_cast<uint8_t>(rest_[8 * i + k])) << (8 * k);
      std::memcpy(&v[i], &bits, sizeof bits);
    }
    rest_.remove_prefix(8 * n);
    return true;
  }
  bool starts_with(std::string_view s) {
    if (rest_.substr(0, s.size()) != s) return false;
    rest_.remove_prefix(s.size());
    return true;
  }
  bool at_end() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

}  // namespace

std::string encode_reply(const import_reply& reply) {
  std::string out(magic);
  out += static_cast<char>(reply.refused ? 1 : 0);
  put_text(out, reply.reason);
  put_text(out, reply.format_name);
  put_text(out, reply.meta);
  const std::size_t blocks = std::min(reply.blocks.size(), reply_max_blocks);
  put_u32(out, static_cast<uint32_t>(blocks));
  std::size_t points_left = reply_max_points;
  for (std::size_t b = 0; b < blocks; ++b) {
    const reply_block& block = reply.blocks[b];
    put_text(out, block.name);
    put_text(out, block.x_name);
    put_text(out, block.meta);
    const std::size_t n = std::min({block.x.size(), block.y.size(), points_left});
    points_left -= n;
    put_u32(out, static_cast<uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) put_f64(out, block.x[i]);
    for (std::size_t i = 0; i < n; ++i) put_f64(out, block.y[i]);
  }
  return out;
}

std::optional<import_reply> decode_reply(std::string_view bytes) {
  if (bytes.size() > reply_max_bytes) return std::nullopt;
  reader in(bytes);
  import_reply r;
  uint8_t status;
  uint32_t blocks;
  if (!in.starts_with(magic) || !in.u8(status) || status > 1 || !in.text(r.reason) || !in.text(r.format_name) ||
      !in.text(r.meta) || !in.u32(blocks) || blocks > reply_max_blocks)
    return std::nullopt;
  r.refused = status == 1;
  std::size_t points_left = reply_max_points;
  for (uint32_t b = 0; b < blocks; ++b) {
    reply_block block;
    uint32_t n;
    if (!in.text(block.name) || !in.text(block.x_name) || !in.text(block.meta) || !in.u32(n) || n > points_left ||
        !in.f64s(block.x, n) || !in.f64s(block.y, n))
      return std::nullopt;
    points_left -= n;
    r.blocks.push_back(std::move(block));
  }
  if (!in.at_end()) return std::nullopt;
  return r;
}
