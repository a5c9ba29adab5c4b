// Ntuples as HBOOK stores them.
//
// A row-wise ntuple (HBOOKN) is a table of REAL values, one row per entry,
// with an 8-character tag and the minimum and maximum of each variable. A
// column-wise ntuple (HBNT/HBNAME) has typed variables in named blocks; a
// variable may be a fixed array or an array whose last dimension is the
// value of an index variable of the same block in that row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hbook {

struct RowNtuple {
  std::int32_t id = 0;
  std::string title;
  std::uint32_t kbits = 8;
  std::int32_t nvar = 0;
  std::int32_t entries = 0;
  std::int32_t bufferWords = 0;  // header word 4: words per data buffer (NPRIME)
  bool inMemory = false;         // memory-resident (no buffer keys), else disk-resident
  std::vector<std::string> tags;
  std::vector<float> minimum;  // per variable, over all rows
  std::vector<float> maximum;
  std::vector<float> values;  // row-major: row r (0-based), variable v at r * nvar + v

  float value(std::int64_t row, int var) const { return values.at(static_cast<std::size_t>(row * nvar + var)); }
};

enum class ColumnType { Real, Integer, Unsigned, Logical, Character };

// One variable of a column-wise ntuple and all its values.
struct Column {
  std::string name;
  std::string block;
  ColumnType type = ColumnType::Real;
  int size = 4;    // bytes per element: 4, 8 (REAL*8) or the CHARACTER length
  int nbits = 32;  // bits per stored element
  // Array dimensions, first index fastest; a variable last dimension is
  // given as minus the maximum of its index variable. Empty for a scalar.
  std::vector<std::int32_t> dims;
  int indexVariable = -1;      // the variable giving the last dimension, or -1
  bool isIndex = false;        // the variable is the index of another
  bool hasRange = false;       // declared range [low, high]
  std::uint32_t rangeLow = 0;  // integer value or float bits, as the type says
  std::uint32_t rangeHigh = 0;

  // Values, in row order; an array contributes its elements in Fortran
  // order, a variable-length array only the elements present in the row.
  // Exactly one of these is filled, as the type and size say.
  std::vector<float> reals;              // Real, size 4
  std::vector<double> doubles;           // Real, size 8
  std::vector<std::int32_t> integers;    // Integer
  std::vector<std::uint32_t> unsigneds;  // Unsigned
  std::vector<std::uint8_t> logicals;    // Logical: 0 or 1
  std::vector<std::string> texts;        // Character, trailing blanks kept
  // Elements per row (1 for a scalar); for a variable-length array, per
  // unit of its index variable's value (the product of the fixed dimensions).
  std::int64_t perRow = 1;
  // Index variables: the running totals of their values, totals[r] = the
  // sum over rows before r (rows + 1 entries).
  std::vector<std::int64_t> totals;
};

struct ColumnNtuple {
  std::int32_t id = 0;
  std::string title;
  std::uint32_t kbits = 8;
  std::int32_t entries = 0;
  std::int32_t bufferWords = 0;     // header word 4: words per column buffer (0 when writing: one record's worth)
  std::vector<std::string> blocks;  // in chain order
  std::vector<Column> columns;      // counting through the blocks in order

  // First element and number of elements of variable c in row r (0-based).
  std::int64_t first(const Column& c, std::int64_t row) const;
  std::int64_t count(const Column& c, std::int64_t row) const;
};

char columnTypeLetter(ColumnType t);  // R, I, U, L, C

// A packed REAL of `nbits` bits over its range [low, high] (HFNT, HGNT): the
// stored code reads back as code * (high - low) / (2^nbits - 1) + low, left to
// right in single precision.
float unpackReal(std::uint32_t code, int nbits, float low, float high);
// The code HFNT stores for v in [low, high]: int((v - low) / (high - low) *
// (2^nbits - 1) + 0.5), 2^nbits - 1 at high; where one of the codes reads back
// as v exactly, that one, so that values read from a file are stored again
// bit for bit.
std::uint32_t packReal(float v, int nbits, float low, float high);

}  // namespace hbook
