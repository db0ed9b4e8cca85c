// Little-endian encoding of the project and workspace files: int32, IEEE double, counted
// strings and the 12-byte colour record. Values are composed byte by byte, so the files
// are the same on any host, and the reader never trusts a count it has not checked
// against the bytes that remain.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "project/curve.h"

class byte_writer {
 public:
  void u8(uint8_t v) { out_.push_back(v); }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void f64(double v) {
    uint64_t bits = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) u8(static_cast<uint8_t>(bits >> (8 * i)));
  }
  void i32s(const int* v, int n) {
    for (int i = 0; i < n; ++i) i32(v[i]);
  }
  void f64s(const double* v, int n) {
    for (int i = 0; i < n; ++i) f64(v[i]);
  }
  void bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void text(const std::string& s) {
    i32(static_cast<int32_t>(s.size()));
    bytes(s.data(), s.size());
  }
  void optional_text(const std::optional<std::string>& s) {
    if (s)
      text(*s);
    else
      i32(-1);
  }
  // Pixel, red, green, blue and two padding bytes written as zero.
  void colour(const color& c) {
    u32(c.pixel);
    u16(c.red);
    u16(c.green);
    u16(c.blue);
    u16(0);
  }
  const std::vector<uint8_t>& data() const { return out_; }
  std::vector<uint8_t>& data() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

// Bounds-checked cursor over a byte buffer. Every getter returns false, and leaves the
// cursor failed, when the value is not there in full.
class byte_reader {
 public:
  byte_reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit byte_reader(const std::vector<uint8_t>& v) : byte_reader(v.data(), v.size()) {}

  size_t left() const { return size_ - pos_; }
  size_t position() const { return pos_; }
  bool failed() const { return failed_; }

  bool skip(size_t n) {
    if (!need(n)) return false;
    pos_ += n;
    return true;
  }
  // skip(n), telling whether the n bytes were all zero (true when n is 0).
  bool skip(size_t n, bool& all_zero) {
    if (!need(n)) return false;
    all_zero = std::all_of(data_ + pos_, data_ + pos_ + n, [](uint8_t b) { return b == 0; });
    pos_ += n;
    return true;
  }
  bool u16(uint16_t& v) {
    if (!need(2)) return false;
    v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool u32(uint32_t& v) {
    if (!need(4)) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return true;
  }
  bool i32(int& v) {
    uint32_t u;
    if (!u32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool f64(double& v) {
    if (!need(8)) return false;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
    v = std::bit_cast<double>(bits);
    pos_ += 8;
    return true;
  }
  bool i32s(int* v, int n) {
    for (int i = 0; i < n; ++i)
      if (!i32(v[i])) return false;
    return true;
  }
  bool f64s(double* v, int n) {
    for (int i = 0; i < n; ++i)
      if (!f64(v[i])) return false;
    return true;
  }
  // n doubles into a vector, allocated only after the bytes are known to be there.
  bool f64_array(std::vector<double>& v, int n) {
    if (n < 0 || !need(static_cast<size_t>(n) * 8)) return fail();
    v.resize(static_cast<size_t>(n));
    return f64s(v.data(), n);
  }
  // n raw bytes as a string (read_char).
  bool chars(std::string& s, int n) {
    if (n < 0 || !need(static_cast<size_t>(n))) return fail();
    s.assign(reinterpret_cast<const char*>(data_ + pos_), static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return true;
  }
  bool text(std::string& s) {
    int n;
    return i32(n) && chars(s, n);
  }
  bool optional_text(std::optional<std::string>& s) {
    int n;
    if (!i32(n)) return false;
    if (n == -1) {
      s.reset();
      return true;
    }
    std::string v;
    if (!chars(v, n)) return false;
    s = std::move(v);
    return true;
  }
  bool colour(color& c) {
    uint16_t pad;
    return u32(c.pixel) && u16(c.red) && u16(c.green) && u16(c.blue) && u16(pad);
  }

 private:
  bool need(size_t n) {
    if (failed_ || n > left()) return fail();
    return true;
  }
  bool fail() {
    failed_ = true;
    return false;
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};
