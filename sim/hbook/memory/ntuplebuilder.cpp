#include "hbook/memory/ntuplebuilder.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <limits>

#include "hbook/rz/fileerror.h"

namespace hbook {
namespace {

constexpr std::size_t MAX_DIMENSIONS = 7;
constexpr std::size_t MAX_BLOCK_CHARACTERS = 8;
constexpr std::size_t MAX_NAME_CHARACTERS = 32;
constexpr int MAX_CHARACTER_SIZE = 32;

std::string trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// The parts of s between the separators, trimmed; with `nested`, only the
// separators outside parentheses and brackets count (a form's variables).
std::vector<std::string> split(const std::string& s, char sep, bool nested = false) {
  std::vector<std::string> out;
  std::string cur;
  int depth = 0;
  for (char c : s) {
    if (nested && (c == '(' || c == '[')) ++depth;
    if (nested && (c == ')' || c == ']')) --depth;
    if (c == sep && depth == 0) {
      out.push_back(trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(trim(cur));
  return out;
}

bool integerText(const std::string& s, std::int64_t& v) {
  if (s.empty()) return false;
  std::size_t used = 0;
  try {
    v = std::stoll(s, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == s.size();
}

bool realText(const std::string& s, double& v) {
  if (s.empty()) return false;
  std::size_t used = 0;
  try {
    v = std::stod(s, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == s.size();
}

int bitsFor(std::uint64_t v) { return v == 0 ? 1 : static_cast<int>(std::bit_width(v)); }

// One variable of a form, before the block decides which are index variables.
struct Declared {
  Column column;
  std::vector<std::string> dims;  // as written
  std::string rangeText[2];
  bool hasRange = false;
  int bits = 0;  // given after the type, 0 if not
};

}  // namespace

NtupleBuilder::NtupleBuilder(std::int32_t id, std::string title) {
  ntuple_.id = id;
  ntuple_.title = std::move(title);
}

void NtupleBuilder::block(const std::string& name, const std::string& form) {
  const std::string what = "column-wise ntuple " + std::to_string(ntuple_.id) + ", block " + name;
  auto fail = [&](const std::string& why) { throw FileError(what + ": " + why); };
  if (ntuple_.entries > 0) fail("blocks are declared before the first row is filled");
  if (name.empty() || name.size() > MAX_BLOCK_CHARACTERS) fail("a block name has 1 to 8 characters");
  for (const std::string& b : ntuple_.blocks) {
    if (b == name) fail("declared twice");
  }
  std::vector<Declared> vars;
  for (const std::string& piece : split(form, ',', true)) {
    const std::string v = "variable \"" + piece + "\": ";
    Declared d;
    std::size_t k = 0;
    while (k < piece.size() && (std::isalnum(static_cast<unsigned char>(piece[k])) || piece[k] == '_')) ++k;
    d.column.name = piece.substr(0, k);
    if (d.column.name.empty() || !std::isalpha(static_cast<unsigned char>(d.column.name[0])) ||
        d.column.name.size() > MAX_NAME_CHARACTERS) {
      fail(v + "a name of 1 to 32 letters, digits or _, beginning with a letter, is needed");
    }
    std::string rest = trim(piece.substr(k));
    if (!rest.empty() && rest[0] == '(') {
      const std::size_t close = rest.find(')');
      if (close == std::string::npos) fail(v + "no closing ) after the dimensions");
      d.dims = split(rest.substr(1, close - 1), ',');
      rest = trim(rest.substr(close + 1));
    }
    if (!rest.empty() && rest[0] == '[') {
      const std::size_t close = rest.find(']');
      if (close == std::string::npos) fail(v + "no closing ] after the range");
      const std::vector<std::string> r = split(rest.substr(1, close - 1), ',');
      if (r.size() != 2) fail(v + "a range is [low,high]");
      d.rangeText[0] = r[0];
      d.rangeText[1] = r[1];
      d.hasRange = true;
      rest = trim(rest.substr(close + 1));
    }
    char type = static_cast<char>(std::toupper(static_cast<unsigned char>(d.column.name[0])));
    type = (type >= 'I' && type <= 'N') ? 'I' : 'R';
    int size = 0;
    if (!rest.empty()) {
      if (rest[0] != ':') fail(v + "expected :type after the name, dimensions and range");
      const std::vector<std::string> parts = split(rest.substr(1), ':');
      if (parts.size() > 2 || parts[0].empty()) fail(v + "the form is name(dims)[low,high]:type*size:bits");
      type = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[0][0])));
      const std::string sizeText = trim(parts[0].substr(1));
      if (!sizeText.empty()) {
        std::int64_t s = 0;
        if (sizeText[0] != '*' || !integerText(trim(sizeText.substr(1)), s))
          fail(v + "a size is written *N after the type");
        size = static_cast<int>(s);
      }
      if (parts.size() == 2) {
        std::int64_t b = 0;
        if (!integerText(parts[1], b) || b < 1 || b > 32) fail(v + "packing bits are 1 to 32");
        d.bits = static_cast<int>(b);
      }
    }
    Column& c = d.column;
    c.block = name;
    switch (type) {
      case 'R':
        c.type = ColumnType::Real;
        c.size = size == 0 ? 4 : size;
        if (c.size != 4 && c.size != 8) fail(v + "a REAL is *4 or *8");
        c.nbits = c.size == 8 ? 64 : 32;
        if (c.size == 8 && (d.bits || d.hasRange)) fail(v + "packed double precision is not possible");
        if (d.hasRange != (d.bits != 0 && d.bits < 32)) fail(v + "a packed REAL needs both a range and 1 to 31 bits");
        if (d.bits && d.bits < 32) c.nbits = d.bits;
        break;
      case 'I':
      case 'U':
        c.type = type == 'I' ? ColumnType::Integer : ColumnType::Unsigned;
        c.size = size == 0 ? 4 : size;
        if (c.size != 4) fail(v + "an integer is *4");
        c.nbits = d.bits ? d.bits : 32;
        break;
      case 'L':
        c.type = ColumnType::Logical;
        c.size = size == 0 ? 4 : size;
        if (c.size != 4 || d.bits || d.hasRange) fail(v + "a LOGICAL takes no size, bits or range");
        c.nbits = 1;
        break;
      case 'C':
        c.type = ColumnType::Character;
        c.size = size == 0 ? 4 : size;
        if (c.size < 4 || c.size > MAX_CHARACTER_SIZE || c.size % 4 != 0 || d.bits || d.hasRange) {
          fail(v + "a CHARACTER is *4, *8, ... *32, without bits or range");
        }
        c.nbits = 8 * c.size;
        break;
      default: fail(v + "type " + std::string(1, type) + " (R, I, U, L or C)");
    }
    if (d.dims.size() > MAX_DIMENSIONS) fail(v + "at most 7 dimensions");
    vars.push_back(std::move(d));
  }
  // Which variables are index variables, and each array's shape.
  std::vector<bool> index(vars.size(), false);
  std::vector<int> indexOf(vars.size(), -1);
  for (std::size_t i = 0; i < vars.size(); ++i) {
    const std::string v = "variable " + vars[i].column.name + ": ";
    for (std::size_t j = 0; j < vars[i].dims.size(); ++j) {
      std::int64_t n = 0;
      if (integerText(vars[i].dims[j], n)) {
        if (n < 1) fail(v + "dimension " + vars[i].dims[j]);
        vars[i].column.dims.push_back(static_cast<std::int32_t>(n));
        continue;
      }
      if (j + 1 != vars[i].dims.size()) fail(v + "only the last dimension may be an index variable");
      int m = -1;
      for (std::size_t k = 0; k < i; ++k) {
        if (vars[k].column.name == vars[i].dims[j]) m = static_cast<int>(k);
      }
      if (m < 0) fail(v + "index variable " + vars[i].dims[j] + " is not declared before it in this block");
      const Declared& x = vars[static_cast<std::size_t>(m)];
      if (x.column.type != ColumnType::Integer || !x.hasRange || !x.dims.empty() || x.bits) {
        fail(v + "index variable " + x.column.name + " must be a scalar INTEGER with a range, without bits");
      }
      index[static_cast<std::size_t>(m)] = true;
      indexOf[i] = m;
      vars[i].column.dims.push_back(0);  // the maximum, once the range is known
    }
  }
  const int first = static_cast<int>(ntuple_.columns.size());
  for (std::size_t i = 0; i < vars.size(); ++i) {
    Declared& d = vars[i];
    Column& c = d.column;
    const std::string v = "variable " + c.name + ": ";
    if (d.hasRange) {
      c.hasRange = true;
      if (c.type == ColumnType::Real) {
        double lo = 0, hi = 0;
        if (!realText(d.rangeText[0], lo) || !realText(d.rangeText[1], hi) || !(hi > lo))
          fail(v + "range [low,high] with low < high");
        c.rangeLow = std::bit_cast<std::uint32_t>(static_cast<float>(lo));
        c.rangeHigh = std::bit_cast<std::uint32_t>(static_cast<float>(hi));
      } else if (c.type == ColumnType::Integer || c.type == ColumnType::Unsigned) {
        std::int64_t lo = 0, hi = 0;
        if (!integerText(d.rangeText[0], lo) || !integerText(d.rangeText[1], hi) || hi < lo || lo < INT32_MIN ||
            hi > INT32_MAX) {
          fail(v + "an integer range [low,high] with low <= high");
        }
        if (index[i]) {
          if (hi < 0) fail(v + "an index variable's range must reach 0 or more");
          c.isIndex = true;
          c.nbits = 32;
        } else if (c.type == ColumnType::Integer && !d.bits && lo >= 0) {
          c.type = ColumnType::Unsigned;  // as HBNAME stores a non-negative range
          c.nbits = bitsFor(static_cast<std::uint64_t>(hi));
        } else if (c.type == ColumnType::Unsigned && lo < 0) {
          fail(v + "an unsigned range cannot be negative");
        } else if (!d.bits) {
          c.nbits = c.type == ColumnType::Unsigned ? bitsFor(static_cast<std::uint64_t>(hi))
                                                   : bitsFor(static_cast<std::uint64_t>(std::max(-lo, hi))) + 1;
        }
        if (c.nbits > 32) fail(v + "the range needs more than 32 bits");
        c.rangeLow = static_cast<std::uint32_t>(static_cast<std::int32_t>(lo));
        c.rangeHigh = static_cast<std::uint32_t>(static_cast<std::int32_t>(hi));
      }
    }
    if (indexOf[i] >= 0) {
      c.indexVariable = first + indexOf[i];
      c.dims.back() = -static_cast<std::int32_t>(vars[static_cast<std::size_t>(indexOf[i])].column.rangeHigh);
    }
  }
  for (std::size_t i = 0; i < vars.size(); ++i) {
    const std::string& name = vars[i].column.name;
    for (const Column& c : ntuple_.columns) {
      if (c.name == name) fail("variable " + name + " is declared twice");
    }
    for (std::size_t k = 0; k < i; ++k) {
      if (vars[k].column.name == name) fail("variable " + name + " is declared twice");
    }
  }
  ntuple_.blocks.push_back(name);
  for (Declared& d : vars) {
    Slot s;
    for (std::int32_t dim : d.column.dims) s.elements *= dim < 0 ? -std::int64_t{dim} : dim;
    if (d.column.type == ColumnType::Character) {
      s.texts.assign(static_cast<std::size_t>(s.elements), std::string(static_cast<std::size_t>(d.column.size), ' '));
    } else {
      s.reals.assign(static_cast<std::size_t>(s.elements), 0.0);
    }
    if (d.column.type == ColumnType::Integer || d.column.type == ColumnType::Unsigned) {
      // A range that excludes 0 starts at its low end.
      if (d.column.hasRange) {
        const double low = d.column.type == ColumnType::Unsigned
                               ? static_cast<double>(d.column.rangeLow)
                               : static_cast<double>(static_cast<std::int32_t>(d.column.rangeLow));
        if (low > 0) s.reals.assign(s.reals.size(), low);
      }
    }
    row_.push_back(std::move(s));
    ntuple_.columns.push_back(std::move(d.column));
  }
}

int NtupleBuilder::column(const std::string& name) const {
  for (std::size_t c = 0; c < ntuple_.columns.size(); ++c) {
    if (ntuple_.columns[c].name == name) return static_cast<int>(c);
  }
  throw FileError("column-wise ntuple " + std::to_string(ntuple_.id) + ": no variable " + name);
}

double NtupleBuilder::checked(std::size_t k, double value) const {
  const Column& c = ntuple_.columns.at(k);
  const std::string what = "column-wise ntuple " + std::to_string(ntuple_.id) + ", variable " + c.name + ": ";
  switch (c.type) {
    case ColumnType::Real:
      if (c.nbits < 32) {
        const float v = static_cast<float>(value);
        if (!(v >= std::bit_cast<float>(c.rangeLow) && v <= std::bit_cast<float>(c.rangeHigh))) {
          throw FileError(what + "value " + std::to_string(value) + " outside its range");
        }
      }
      return value;
    case ColumnType::Integer:
    case ColumnType::Unsigned: {
      if (value != std::floor(value)) throw FileError(what + "value " + std::to_string(value) + " is not an integer");
      double low = c.type == ColumnType::Unsigned ? 0.0 : -2147483648.0;
      double high = c.type == ColumnType::Unsigned ? 4294967295.0 : 2147483647.0;
      if (c.hasRange) {
        low = c.type == ColumnType::Unsigned ? static_cast<double>(c.rangeLow)
                                             : static_cast<double>(static_cast<std::int32_t>(c.rangeLow));
        high = c.type == ColumnType::Unsigned ? static_cast<double>(c.rangeHigh)
                                              : static_cast<double>(static_cast<std::int32_t>(c.rangeHigh));
        if (c.isIndex) low = std::max(low, 0.0);
      } else if (c.nbits < 32) {
        high = c.type == ColumnType::Unsigned ? std::ldexp(1.0, c.nbits) - 1 : std::ldexp(1.0, c.nbits - 1) - 1;
        low = c.type == ColumnType::Unsigned ? 0.0 : -high;
      }
      if (value < low || value > high)
        throw FileError(what + "value " + std::to_string(value) + " outside " + std::to_string(low) + ".." +
                        std::to_string(high));
      return value;
    }
    case ColumnType::Logical: return value != 0 ? 1.0 : 0.0;
    case ColumnType::Character: throw FileError(what + "a CHARACTER variable takes text");
  }
  return value;
}

void NtupleBuilder::set(int column, double value) { set(column, 0, value); }

void NtupleBuilder::set(int column, std::int64_t element, double value) {
  Slot& s = row_.at(static_cast<std::size_t>(column));
  if (element < 0 || element >= static_cast<std::int64_t>(s.reals.size())) {
    throw FileError("column-wise ntuple " + std::to_string(ntuple_.id) + ", variable " +
                    ntuple_.columns[static_cast<std::size_t>(column)].name + ": element " + std::to_string(element) +
                    " of " + std::to_string(s.reals.size()));
  }
  s.reals[static_cast<std::size_t>(element)] = checked(static_cast<std::size_t>(column), value);
}

void NtupleBuilder::setInteger(int column, std::int64_t value, std::int64_t element) {
  set(column, element, static_cast<double>(value));
}

void NtupleBuilder::setText(int column, const std::string& text, std::int64_t element) {
  const Column& c = ntuple_.columns.at(static_cast<std::size_t>(column));
  Slot& s = row_.at(static_cast<std::size_t>(column));
  const std::string what = "column-wise ntuple " + std::to_string(ntuple_.id) + ", variable " + c.name + ": ";
  if (c.type != ColumnType::Character) throw FileError(what + "not a CHARACTER variable");
  if (element < 0 || element >= static_cast<std::int64_t>(s.texts.size()))
    throw FileError(what + "element " + std::to_string(element));
  if (text.size() > static_cast<std::size_t>(c.size))
    throw FileError(what + "text longer than " + std::to_string(c.size) + " characters");
  s.texts[static_cast<std::size_t>(element)] = text + std::string(static_cast<std::size_t>(c.size) - text.size(), ' ');
}

void NtupleBuilder::append(std::size_t k) {
  Column& c = ntuple_.columns[k];
  const Slot& s = row_[k];
  std::int64_t count = s.elements;
  if (c.indexVariable >= 0) {
    const auto n = static_cast<std::int64_t>(row_[static_cast<std::size_t>(c.indexVariable)].reals[0]);
    const std::int64_t most = -std::int64_t{c.dims.back()};
    count = most == 0 ? 0 : s.elements / most * n;
  }
  for (std::int64_t e = 0; e < count; ++e) {
    const auto i = static_cast<std::size_t>(e);
    switch (c.type) {
      case ColumnType::Real:
        if (c.size == 8)
          c.doubles.push_back(s.reals[i]);
        else
          c.reals.push_back(static_cast<float>(s.reals[i]));
        break;
      case ColumnType::Integer: c.integers.push_back(static_cast<std::int32_t>(s.reals[i])); break;
      case ColumnType::Unsigned: c.unsigneds.push_back(static_cast<std::uint32_t>(s.reals[i])); break;
      case ColumnType::Logical: c.logicals.push_back(s.reals[i] != 0 ? 1 : 0); break;
      case ColumnType::Character: c.texts.push_back(s.texts[i]); break;
    }
  }
}

void NtupleBuilder::fill() {
  if (ntuple_.columns.empty())
    throw FileError("column-wise ntuple " + std::to_string(ntuple_.id) + ": no variables declared");
  if (ntuple_.entries == std::numeric_limits<std::int32_t>::max()) {
    throw FileError("column-wise ntuple " + std::to_string(ntuple_.id) + ": 2^31 - 1 rows, the most a file holds");
  }
  for (std::size_t k = 0; k < ntuple_.columns.size(); ++k) append(k);
  ++ntuple_.entries;
}

}  // namespace hbook
