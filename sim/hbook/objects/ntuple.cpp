// Rows of the array columns of a column-wise ntuple, and the type letters.
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

}  // namespace hbook
