// Free-format text lines: one print statement writes one line.
//
// A line starts with one blank and then holds its items in order, with no
// separators beyond the fields themselves:
//   text     exactly as stored, leading and trailing blanks included;
//   integer  right-justified in 12 characters; a number of more digits
//            (a count of 10^12 and more) widens its field rather than
//            printing asterisks, so that no count is ever lost;
//   real     a single-precision value in 15 characters, Fortran G15.7
//            editing: for 0.1 <= |v| < 1e7 (after rounding to 7 significant
//            digits) fixed notation with 7 significant digits followed by 4
//            blanks ("  0.4026000    "), otherwise E15.7 with a two-digit
//            exponent ("  0.2500000E-01"); zero prints as "   0.000000    ";
//            NaN and Infinity right-justified;
//   dbl      a double-precision value in 25 characters, G25.16 by the same
//            rule (only the diagnostics of the helium routines print these).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace textout {

std::string formatInt(std::int64_t v);  // I12, wider for more digits
std::string formatReal(float v);        // G15.7
std::string formatDouble(double v);     // G25.16

class Line {
 public:
  Line() : s_(" ") {}
  Line& text(std::string_view t) { s_ += t; return *this; }
  Line& integer(std::int64_t v) { s_ += formatInt(v); return *this; }
  Line& real(float v) { s_ += formatReal(v); return *this; }
  Line& dbl(double v) { s_ += formatDouble(v); return *this; }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

// Write the line and its newline to a stream.
std::ostream& operator<<(std::ostream& out, const Line& line);

// Write the line to the console.
void print(const Line& line);

}  // namespace textout
