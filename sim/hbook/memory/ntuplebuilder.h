// Booking and filling a column-wise ntuple in memory, as HBNT, HBNAME and
// HFNT do, for writing with the histograms at the end (writeFile).
//
//   hbook::NtupleBuilder nt(1000, "Detected neutrons");
//   nt.block("DET", "x:R, y:R, lam:R, n[0,8]:I, e(n):R, ok:L, d:R*8, tag:C*8");
//   const int x = nt.column("x"), n = nt.column("n"), e = nt.column("e");
//   nt.set(x, 1.5); nt.set(n, 2); nt.set(e, 0, 3.0); nt.set(e, 1, 4.0);
//   nt.fill();                       // one row; the values stay for the next
//   hbook::writeFile(path, histograms, {&nt.ntuple()}, options);
//
// The form of a block is HBNAME's: variables separated by commas, each
//   name[(dims)][[low,high]][:type[*size]][:bits]
// with dims d1,d2,... (the last one may be the name of an index variable of
// the same block, declared before with a range), type R (REAL, *4 or *8), I
// (INTEGER), U (unsigned), L (LOGICAL) or C (CHARACTER*4..*32 in steps of
// 4); without a type, names beginning with I to N are INTEGER, the others
// REAL. An INTEGER with a range is stored in the fewest bits that hold it
// (unsigned when low >= 0), unless it is an index variable; a REAL with a
// range needs bits and is packed. Values are checked when set: outside the
// declared range (or the bits) a value is refused with FileError, never
// clipped silently.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/objects/ntuple.h"

namespace hbook {

class NtupleBuilder {
 public:
  NtupleBuilder(std::int32_t id, std::string title);

  // Declares a block of variables; throws FileError for a form HBNAME refuses.
  void block(const std::string& name, const std::string& form);

  // The handle of a variable (first of that name), or FileError.
  int column(const std::string& name) const;

  // Values of the row being filled. Element e of an array counts in Fortran
  // order (first index fastest), from 0.
  void set(int column, double value);
  void set(int column, std::int64_t element, double value);
  void setInteger(int column, std::int64_t value, std::int64_t element = 0);
  void setText(int column, const std::string& text, std::int64_t element = 0);

  // Appends the row (HFNT); the values stay set for the next one.
  void fill();

  std::int64_t rows() const { return ntuple_.entries; }
  const ColumnNtuple& ntuple() const { return ntuple_; }

 private:
  struct Slot {
    std::int64_t elements = 1;  // per row (the maximum, for a variable-length array)
    std::vector<double> reals;  // REAL, REAL*8, INTEGER, U, L values of the row
    std::vector<std::string> texts;
  };
  void append(std::size_t c);
  double checked(std::size_t c, double value) const;

  ColumnNtuple ntuple_;
  std::vector<Slot> row_;
};

}  // namespace hbook
