// Rows of the array columns of a column-wise ntuple, the type letters, the
// packing of REALs.
#include "hbook/objects/ntuple.h"

namespace hbook {

std::int64_t ColumnNtuple::first(const Column& c, std::int64_t row) const {
  if (c.indexVariable < 0) return row * c.perRow;
  return c.perRow * columns.at(static_cast<std::size_t>(c.indexVariable)).totals.at(static_cast<std::size_t>(row));
}

std::int64_t ColumnNtuple::count(const Column& c, std::int64_t row) const {
  if (c.indexVariable < 0) return c.perRow;
  const std::vector<std::int64_t>& t = columns.at(static_cast<std::size_t>(c.indexVariable)).totals;
  return c.perRow * (t.at(static_cast<std::size_t>(row) + 1) - t.at(static_cast<std::size_t>(row)));
}

char columnTypeLetter(ColumnType t) {
  switch (t) {
    case ColumnType::Real: return 'R';
    case ColumnType::Integer: return 'I';
    case ColumnType::Unsigned: return 'U';
    case ColumnType::Logical: return 'L';
    case ColumnType::Character: return 'C';
  }
  return '?';
}

float unpackReal(std::uint32_t code, int nbits, float low, float high) {
  const float range = high - low;
  const float most = static_cast<float>((std::uint64_t{1} << nbits) - 1);
  return static_cast<float>(static_cast<float>(code) * range) / most + low;
}

std::uint32_t packReal(float v, int nbits, float low, float high) {
  const std::uint32_t most = static_cast<std::uint32_t>((std::uint64_t{1} << nbits) - 1);
  std::uint32_t code = most;
  if (v < high) {
    const float t = static_cast<float>(static_cast<float>((v - low) / (high - low)) * static_cast<float>(most)) + 0.5f;
    code = t <= 0.0f ? 0u : (t >= static_cast<float>(most) ? most : static_cast<std::uint32_t>(t));
  }
  if (unpackReal(code, nbits, low, high) == v) return code;
  std::uint32_t lo = 0, hi = most;  // the smallest code reading back as v or above
  while (lo < hi) {
    const std::uint32_t mid = lo + (hi - lo) / 2;
    if (unpackReal(mid, nbits, low, high) < v)
      lo = mid + 1;
    else
      hi = mid;
  }
  return unpackReal(lo, nbits, low, high) == v ? lo : code;
}

}  // namespace hbook
