// What the instrument-file reader process hands back over its pipe: the detected format,
// the metadata and, per block, the first two columns. The reader runs code we did not
// write on untrusted files, so its reply is untrusted too: the decoder checks every count
// and length against its bounds and the bytes that remain before anything is allocated.
//
// Layout (little-endian): the 8 bytes "AMOQimp1"; u8 status (0 data, 1 refused); text
// reason; text format name; text metadata ("key = value" lines); u32 block count; per
// block: text name, text abscissa column name, text metadata, u32 n, n f64 x, n f64 y.
// A text is a u32 byte count and the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Bounds of a reply: every text, the blocks and the pairs of all blocks together.
inline constexpr std::size_t reply_max_text = 64 * 1024;
inline constexpr std::size_t reply_max_blocks = 4096;
inline constexpr std::size_t reply_max_points = std::size_t{1} << 24;
// The largest reply the reader may write: the pairs and every text at their bounds.
inline constexpr std::size_t reply_max_bytes = 16 * reply_max_points + 8 * 1024 * 1024;

struct reply_block {
  std::string name;     // the block's name in the file, often empty
  std::string x_name;   // the abscissa column's name (the unit is looked for in it)
  std::string meta;     // the block's metadata as "key = value" lines
  std::vector<double> x, y;
};

struct import_reply {
  bool refused = false;
  std::string reason;       // why the file was refused (the library's own words)
  std::string format_name;  // e.g. "PANalytical XRDML"
  std::string meta;         // the data set's metadata as "key = value" lines
  std::vector<reply_block> blocks;
};

// The reply as bytes; texts longer than reply_max_text, blocks beyond reply_max_blocks and
// pairs beyond reply_max_points in all are cut off (the reader's side of the bounds).
std::string encode_reply(const import_reply& reply);

// The reply the bytes hold, or nullopt when they are not one within the bounds.
std::optional<import_reply> decode_reply(std::string_view bytes);
