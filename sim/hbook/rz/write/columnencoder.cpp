// One column of a column-wise ntuple packed into buffers (columnencoder.h).
#include "hbook/rz/write/columnencoder.h"

#include <bit>

#include "hbook/rz/write/objectbanks.h"
#include "hbook/rz/write/objects.h"

namespace hbook::write {

bool ColumnEncoder::next(std::vector<std::uint32_t>& buffer) {
  if (i_ >= total_ && buffers_ > 0) return false;
  if (total_ == 0) return false;
  buffer.assign(static_cast<std::size_t>(size_), 0);
  buffer[0] = c_.isIndex ? static_cast<std::uint32_t>(running_) : 0;
  word_ = 1;
  bit_ = 0;
  ++buffers_;
  for (; i_ < total_; ++i_) {
    if (!place(buffer)) {
      if (word_ == 1 && bit_ == 0)
        refuse(what_, "a value does not fit in a buffer of " + std::to_string(size_) + " words");
      return true;
    }
  }
  return true;
}

bool ColumnEncoder::place(std::vector<std::uint32_t>& b) {
  const auto k = static_cast<std::size_t>(i_);
  const int nbits = c_.nbits;
  switch (c_.type) {
    case ColumnType::Real:
      if (c_.size == 8) {
        const std::uint64_t w = std::bit_cast<std::uint64_t>(c_.doubles[k]);
        return whole(b, {static_cast<std::uint32_t>(w >> 32), static_cast<std::uint32_t>(w)});
      }
      if (nbits == 32) return whole(b, {floatBits(c_.reals[k])});
      return field(b, packedReal(c_.reals[k]));
    case ColumnType::Integer: {
      std::int64_t v = c_.integers[k];
      if (c_.isIndex) {
        if (v < 0) refuse(what_, "index value " + std::to_string(v) + " is negative");
        v = running_ + v;
      }
      if (nbits == 32) {
        if (v > 0xFFFFFFFFll) refuse(what_, "running total of the index above 2^32");
        if (!whole(b, {static_cast<std::uint32_t>(v)})) return false;
      } else {
        const std::int64_t sign = std::int64_t{1} << (nbits - 1);
        const std::int64_t magnitude = v < 0 ? -v : v;
        if (magnitude >= sign)
          refuse(what_, "value " + std::to_string(v) + " does not fit in " + std::to_string(nbits) + " bits");
        if (!field(b, static_cast<std::uint32_t>(magnitude | (v < 0 ? sign : 0)))) return false;
      }
      if (c_.isIndex) running_ = v;
      return true;
    }
    case ColumnType::Unsigned: {
      const std::uint32_t v = c_.unsigneds[k];
      if (nbits == 32) return whole(b, {v});
      if (v >> nbits)
        refuse(what_, "value " + std::to_string(v) + " does not fit in " + std::to_string(nbits) + " bits");
      return field(b, v);
    }
    case ColumnType::Logical: return field(b, c_.logicals[k] ? 1u : 0u);
    case ColumnType::Character: {
      const std::string& t = c_.texts[k];
      if (t.size() > static_cast<std::size_t>(c_.size)) {
        refuse(what_, "text \"" + t + "\" is longer than " + std::to_string(c_.size) + " characters");
      }
      return whole(b, textWords(t, static_cast<std::size_t>(c_.size / 4)));
    }
  }
  return false;
}

std::uint32_t ColumnEncoder::packedReal(float v) const {
  const float low = std::bit_cast<float>(c_.rangeLow), high = std::bit_cast<float>(c_.rangeHigh);
  if (!(v >= low && v <= high)) {
    refuse(what_, "value " + std::to_string(v) + " lies outside its range " + std::to_string(low) + ".." +
                      std::to_string(high));
  }
  return packReal(v, c_.nbits, low, high);
}

bool ColumnEncoder::whole(std::vector<std::uint32_t>& b, const std::vector<std::uint32_t>& words) {
  std::int64_t at = word_ + (bit_ != 0 ? 1 : 0);
  if (at + static_cast<std::int64_t>(words.size()) > size_) return false;
  for (std::uint32_t w : words) b[static_cast<std::size_t>(at++)] = w;
  word_ = at;
  bit_ = 0;
  return true;
}

bool ColumnEncoder::field(std::vector<std::uint32_t>& b, std::uint32_t v) {
  std::int64_t at = word_;
  int bit = bit_;
  if (bit + c_.nbits > 32) {
    ++at;
    bit = 0;
  }
  if (at >= size_) return false;
  b[static_cast<std::size_t>(at)] |= v << bit;
  bit += c_.nbits;
  if (bit == 32) {
    ++at;
    bit = 0;
  }
  word_ = at;
  bit_ = bit;
  return true;
}

}  // namespace hbook::write
