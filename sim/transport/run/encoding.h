// Bytes of the results one process hands another (a worker to the run, a
// rank to rank 0) and of the checkpoint: fixed-width little-endian integers,
// doubles as their bits, and sized strings, whatever the machine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarn {

using Bytes = std::vector<unsigned char>;

class ByteWriter {
 public:
  void u64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  void i64(std::int64_t v) { u64(static_cast<std::uint64_t>(v)); }
  void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
  void f32(float v) { u64(std::bit_cast<std::uint32_t>(v)); }
  void text(const std::string& s) {
    u64(s.size());
    out_.insert(out_.end(), s.begin(), s.end());
  }
  void f64s(const std::vector<double>& v) {
    u64(v.size());
    for (double x : v) f64(x);
  }
  void f32s(const std::vector<float>& v) {
    u64(v.size());
    for (float x : v) f32(x);
  }
  const Bytes& bytes() const { return out_; }
  Bytes& bytes() { return out_; }

 private:
  Bytes out_;
};

// Reads what a ByteWriter wrote; anything short or out of bounds throws
// std::runtime_error with `what` (the source, as messages name it).
class ByteReader {
 public:
  ByteReader(const unsigned char* data, std::size_t size, std::string what)
      : data_(data), size_(size), what_(std::move(what)) {}
  explicit ByteReader(const Bytes& b, std::string what) : ByteReader(b.data(), b.size(), std::move(what)) {}

  std::uint64_t u64() {
    need(8);
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(data_[at_ + i]) << (8 * i);
    at_ += 8;
    return v;
  }
  std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
  double f64() { return std::bit_cast<double>(u64()); }
  float f32() {
    const std::uint64_t v = u64();
    if (v >> 32) fail("a single-precision value out of range");
    return std::bit_cast<float>(static_cast<std::uint32_t>(v));
  }
  // A count of items of at least `itemBytes` each that must fit in what is left.
  std::size_t count(std::size_t itemBytes) {
    const std::uint64_t n = u64();
    if (itemBytes > 0 && n > (size_ - at_) / itemBytes) fail("a count larger than the data");
    return static_cast<std::size_t>(n);
  }
  std::string text() {
    const std::size_t n = count(1);
    std::string s(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return s;
  }
  std::vector<double> f64s() {
    std::vector<double> v(count(8));
    for (double& x : v) x = f64();
    return v;
  }
  std::vector<float> f32s() {
    std::vector<float> v(count(8));
    for (float& x : v) x = f32();
    return v;
  }
  bool atEnd() const { return at_ == size_; }
  std::size_t position() const { return at_; }
  [[noreturn]] void fail(const std::string& why) const {
    throw std::runtime_error(what_ + ": " + why + " at byte " + std::to_string(at_));
  }

 private:
  void need(std::size_t n) {
    if (size_ - at_ < n) fail("ends early");
  }
  const unsigned char* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::string what_;
};

}  // namespace tarn
