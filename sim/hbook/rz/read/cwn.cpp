// Column-wise ntuples: the header bank HIDT with, at link 1, the chain of
// block banks HBLK (each with its variable descriptors HNAM at link 1), at
// link 2 the variable names HCHA, at link 3 the integer table HINT (ranges,
// dimensions) and at link 4 the real table HREA (ranges). The values of
// variable v are in buffer objects under keys (KID, 10000 k + v), k = 1, 2,
// ...: one column after another, each value either whole words or, for
// fewer than 32 bits, packed from the low bits up without straddling words.
// A packed REAL of NBITS bits over its range [lo, hi] stores
// IPACK = int((v - lo) / (hi - lo) * (2^NBITS - 1) + 0.5) and reads back as
// IPACK * (hi - lo) / (2^NBITS - 1) + lo, left to right in single precision.
#include <bit>

#include "hbook/rz/read/columnstream.h"
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

// HIDT data words.
constexpr std::int64_t NVAR = 2;
constexpr std::int64_t ENTRIES = 3;
constexpr std::int64_t BUFFER_WORDS = 4;
constexpr std::int64_t TITLE_WORDS = 8;
constexpr std::int64_t TITLE_START = 9;
constexpr std::int64_t BLOCKS = 10;
constexpr std::int64_t BUFFER_KEY = 12;  // KEY(1) of the buffers; 0: the ntuple id
constexpr std::int64_t FIXED_WORDS = 33;
// HBLK data words.
constexpr std::int64_t BLOCK_VARIABLES = 2;
constexpr std::int64_t BLOCK_NAME = 8;  // two words
constexpr std::int64_t BLOCK_WORDS = 9;
// HNAM: twelve words per variable.
constexpr std::int64_t DESCRIPTOR_WORDS = 12;
constexpr std::int64_t NAME_LENGTH = 2;
constexpr std::int64_t NAME_START = 3;
constexpr std::int64_t RANGE = 4;
constexpr std::int64_t KEY_BUFFERS = 5;
constexpr std::int64_t DIMS = 11;
// Buffer keys: KEY(2) = BUFFER_STRIDE * buffer number + variable number.
constexpr std::int64_t BUFFER_STRIDE = 10000;
constexpr std::int64_t MAX_DIMENSIONS = 7;
constexpr std::int64_t MAX_NAME_CHARACTERS = 64;  // bounds the text decoded per variable
constexpr int MAX_CHARACTERS = 32;                // longest CHARACTER variable HBNAME defines
constexpr std::int64_t MAX_ELEMENTS = std::int64_t{1} << 31;

constexpr std::uint32_t INDEX_FLAG = 1u << 27;  // descriptor bit 28

ColumnType typeOf(std::uint32_t code) {
  switch (code) {
    case 1: return ColumnType::Real;
    case 2: return ColumnType::Integer;
    case 3: return ColumnType::Unsigned;
    case 4: return ColumnType::Logical;
    default: return ColumnType::Character;
  }
}

// What the header says about one variable besides the Column itself.
struct Layout {
  std::int64_t number = 0;      // 1-based, counting through the blocks
  std::int64_t keyBuffers = 0;  // buffers written as keys
  std::int64_t indexSlot = -1;  // HNAM slot (1-based in the block) of the index variable
  std::int64_t blockFirst = 0;  // column position of the block's first variable
};

class CwnReader {
 public:
  CwnReader(const BankTree& tree, std::int32_t id, NtupleBuffers& buffers)
      : tree_(tree), hid_(tree.entry()), buffers_(buffers), owner_("column-wise ntuple " + std::to_string(id)) {
    n_.id = id;
  }

  ColumnNtuple run() {
    tree_.requireData(hid_, FIXED_WORDS, "a column-wise ntuple header");
    n_.kbits = tree_.word(hid_, 1);
    n_.entries = tree_.integer(hid_, ENTRIES);
    if (n_.entries < 0) tree_.fail(hid_, "word 3: number of rows " + std::to_string(n_.entries));
    bufferWords_ = tree_.integer(hid_, BUFFER_WORDS);
    n_.bufferWords = static_cast<std::int32_t>(bufferWords_);
    if (bufferWords_ < 2) tree_.fail(hid_, "word 4: buffers of " + std::to_string(bufferWords_) + " words");
    n_.title = titleText(tree_, hid_, tree_.integer(hid_, TITLE_START), tree_.integer(hid_, TITLE_WORDS));
    kid_ = tree_.integer(hid_, BUFFER_KEY);
    if (kid_ == 0) kid_ = n_.id;
    names_ = tree_.linked(hid_, 2);
    integers_ = tree_.linked(hid_, 3);
    reals_ = tree_.linked(hid_, 4);
    if (!names_) tree_.fail(hid_, "link 2: bank of variable names not found");
    try {
      readBlocks();
    } catch (Unsupported& u) {
      u.ownsBuffers = true;
      u.bufferKey = kid_;
      throw;
    }
    if (static_cast<std::int64_t>(n_.columns.size()) != tree_.integer(hid_, NVAR)) {
      tree_.fail(hid_, "word 2: " + std::to_string(tree_.integer(hid_, NVAR)) + " variables, the blocks hold " +
                           std::to_string(n_.columns.size()));
    }
    linkIndexVariables();
    // Index variables first: the lengths of the other variables' rows depend on them.
    for (std::size_t c = 0; c < n_.columns.size(); ++c) {
      if (n_.columns[c].isIndex) readValues(c);
    }
    for (std::size_t c = 0; c < n_.columns.size(); ++c) {
      if (!n_.columns[c].isIndex) readValues(c);
    }
    return std::move(n_);
  }

 private:
  void readBlocks() {
    const std::int64_t blocks = tree_.integer(hid_, BLOCKS);
    const Bank* blk = tree_.linked(hid_, 1);
    for (std::int64_t b = 0; blk; ++b) {
      tree_.take(*blk);
      tree_.requireData(*blk, BLOCK_WORDS, "a block header");
      std::string name = tree_.text(*blk, BLOCK_NAME, 2);
      name.erase(name.find_last_not_of(' ') + 1);
      n_.blocks.push_back(name);
      const Bank* nam = tree_.linked(*blk, 1);
      if (!nam) tree_.fail(*blk, "link 1: variable descriptors not found");
      tree_.take(*nam);
      const std::int64_t count = tree_.integer(*blk, BLOCK_VARIABLES);
      if (count < 0) tree_.fail(*blk, "word 2: " + std::to_string(count) + " variables");
      tree_.requireData(*nam, DESCRIPTOR_WORDS * count, std::to_string(count) + " variable descriptors");
      const std::int64_t blockFirst = static_cast<std::int64_t>(n_.columns.size());
      for (std::int64_t i = 0; i < count; ++i) readDescriptor(*nam, i, name, blockFirst);
      blk = tree_.linked(*blk, 0);
    }
    if (static_cast<std::int64_t>(n_.blocks.size()) != blocks) {
      tree_.fail(hid_,
                 "word 10: " + std::to_string(blocks) + " blocks, the chain holds " + std::to_string(n_.blocks.size()));
    }
  }

  void readDescriptor(const Bank& nam, std::int64_t i, const std::string& block, std::int64_t blockFirst) {
    auto w = [&](std::int64_t k) { return tree_.word(nam, DESCRIPTOR_WORDS * i + k); };
    const std::uint32_t d = w(1);
    Column c;
    Layout l;
    l.number = static_cast<std::int64_t>(n_.columns.size()) + 1;
    l.blockFirst = blockFirst;
    c.block = block;
    const std::int64_t length = static_cast<std::int32_t>(w(NAME_LENGTH));
    const std::int64_t start = static_cast<std::int32_t>(w(NAME_START));
    const std::string where = tree_.where(nam) + " variable " + std::to_string(l.number);
    if (length < 1 || length > MAX_NAME_CHARACTERS)
      tree_.image().fail(where, "name of " + std::to_string(length) + " characters");
    c.name = tree_.text(*names_, start, (length + 3) / 4).substr(0, static_cast<std::size_t>(length));
    const std::uint32_t code = (d >> 13) & 0xF;
    if (code < 1 || code > 5)
      tree_.image().fail(where, "type code " + std::to_string(code) + " in descriptor " + hexWord(d));
    c.type = typeOf(code);
    c.size = static_cast<int>((d >> 7) & 0x3F);
    c.nbits = static_cast<int>(d & 0x7F);
    c.isIndex = (d & INDEX_FLAG) != 0;
    const std::string what = "variable " + c.name + " (" + hexWord(d) + ")";
    // Forms HBNAME refuses to define are damage, not a layout to skip.
    auto refused = [&](const std::string& why) {
      tree_.image().fail(where, what + ": " + why + ", which the package never writes");
    };
    if (c.type == ColumnType::Character) {
      if (c.size < 4 || c.size % 4 != 0 || c.size > MAX_CHARACTERS) refused("CHARACTER*" + std::to_string(c.size));
      c.nbits = 8 * c.size;
    } else if (c.type == ColumnType::Real) {
      if (c.size == 8) {
        if (c.nbits != 64) refused("REAL*8 packed into " + std::to_string(c.nbits) + " bits");
      } else if (c.size != 4) {
        refused("REAL of " + std::to_string(c.size) + " bytes");
      } else if (c.nbits < 1 || c.nbits > 32) {
        tree_.image().fail(where, "bits per value " + std::to_string(c.nbits));
      }
    } else if (c.size == 8 && c.type != ColumnType::Logical) {
      throw Unsupported{what + ": INTEGER*8, whose layout no file shows"};
    } else {
      if (c.size != 4)
        refused(std::string(c.type == ColumnType::Logical ? "LOGICAL" : "INTEGER") + " of " + std::to_string(c.size) +
                " bytes");
      if (c.nbits < 1 || c.nbits > 32) tree_.image().fail(where, "bits per value " + std::to_string(c.nbits));
      if (c.type == ColumnType::Logical && c.nbits != 1) refused("LOGICAL of " + std::to_string(c.nbits) + " bits");
    }
    const std::int64_t range = static_cast<std::int32_t>(w(RANGE));
    if (range != 0) {
      const Bank* table = c.type == ColumnType::Real ? reals_ : integers_;
      if (!table) tree_.image().fail(where, "range given but the table of ranges is missing");
      c.hasRange = true;
      c.rangeLow = tree_.word(*table, range);
      c.rangeHigh = tree_.word(*table, range + 1);
    }
    l.keyBuffers = static_cast<std::int32_t>(w(KEY_BUFFERS));
    const std::int64_t nsub = (d >> 17) & 0x7;
    if (nsub > 0) {
      if (!integers_) tree_.image().fail(where, "dimensions given but the integer table is missing");
      const std::int64_t q = static_cast<std::int32_t>(w(DIMS));
      for (std::int64_t j = 0; j < nsub; ++j) {
        const std::int32_t dim = tree_.integer(*integers_, q + j);
        if (dim < 0) {
          c.dims.push_back(dim == INT32_MIN ? INT32_MAX : -dim);
        } else {
          if (j != nsub - 1) refused("variable dimension " + std::to_string(j + 1) + " that is not the last");
          if (dim % DESCRIPTOR_WORDS != 1) tree_.image().fail(where, "index variable pointer " + std::to_string(dim));
          l.indexSlot = dim / DESCRIPTOR_WORDS + 1;
          c.dims.push_back(0);  // filled in once the index variable is known
        }
      }
      if (static_cast<std::int64_t>(c.dims.size()) > MAX_DIMENSIONS) tree_.image().fail(where, "too many dimensions");
    }
    if (c.type == ColumnType::Real && c.size == 4 && c.nbits < 32 && !c.hasRange)
      refused("packed REAL without a range");
    if (c.isIndex && (c.type != ColumnType::Integer || !c.dims.empty() || !c.hasRange)) {
      tree_.image().fail(where, "index variable " + c.name + " is not a scalar integer with a range");
    }
    n_.columns.push_back(std::move(c));
    layouts_.push_back(l);
  }

  void linkIndexVariables() {
    for (std::size_t k = 0; k < n_.columns.size(); ++k) {
      Column& c = n_.columns[k];
      const Layout& l = layouts_[k];
      if (l.indexSlot < 0) continue;
      const std::int64_t m = l.blockFirst + l.indexSlot - 1;
      const std::string what = owner_ + ", variable " + c.name;
      if (m >= static_cast<std::int64_t>(n_.columns.size()) || n_.columns[m].block != c.block) {
        tree_.fail(what + ": index variable " + std::to_string(l.indexSlot) + " is not in its block");
      }
      const Column& index = n_.columns[m];
      if (!index.isIndex || index.type != ColumnType::Integer || !index.dims.empty() || !index.hasRange) {
        tree_.fail(what + ": index variable " + index.name + " is not a scalar integer index with a range");
      }
      const auto high = static_cast<std::int32_t>(index.rangeHigh);
      if (high < 0) tree_.fail(what + ": index variable " + index.name + " has maximum " + std::to_string(high));
      c.indexVariable = static_cast<int>(m);
      c.dims.back() = -high;
    }
    for (const Column& c : n_.columns) {
      std::int64_t elements = 1;
      for (std::int32_t d : c.dims) {
        elements *= d < 0 ? std::max<std::int64_t>(-std::int64_t{d}, 1) : d;
        if (elements > MAX_ELEMENTS) tree_.fail(owner_ + ", variable " + c.name + ": more than 2^31 elements per row");
      }
    }
  }

  // The buffers of a column, in order.
  std::vector<std::vector<std::uint32_t>> columnBuffers(const Layout& l, const std::string& where) {
    std::vector<std::vector<std::uint32_t>> b;
    for (std::int64_t k = 1; k <= l.keyBuffers; ++k) {
      const std::int64_t k2 = BUFFER_STRIDE * k + l.number;
      if (k2 > INT32_MAX) tree_.image().fail(where, std::to_string(l.keyBuffers) + " buffers");
      std::vector<std::uint32_t> words = buffers_.take(kid_, static_cast<std::int32_t>(k2), owner_);
      if (static_cast<std::int64_t>(words.size()) != bufferWords_) {
        tree_.image().fail(where + ", buffer " + std::to_string(k),
                           std::to_string(words.size()) + " words, the header says " + std::to_string(bufferWords_));
      }
      b.push_back(std::move(words));
    }
    return b;
  }

  void readValues(std::size_t k) {
    Column& c = n_.columns[k];
    const Layout& l = layouts_[k];
    const std::string where = owner_ + ", variable " + c.name;
    const std::int64_t rows = n_.entries;
    // Elements per row: the fixed dimensions times, for a variable-length
    // array, the index variable's value in that row.
    c.perRow = 1;
    if (c.isIndex) c.totals.assign(1, 0);
    for (std::size_t j = 0; j < c.dims.size(); ++j) {
      if (c.indexVariable >= 0 && j + 1 == c.dims.size()) break;
      c.perRow *= c.dims[j];
    }
    std::int64_t total = rows * c.perRow;
    if (c.indexVariable >= 0) total = c.perRow * n_.columns[static_cast<std::size_t>(c.indexVariable)].totals.back();
    std::vector<std::vector<std::uint32_t>> buffers = columnBuffers(l, where);
    // Every value takes at least its bits in the buffers: check before allocating.
    const std::int64_t available = static_cast<std::int64_t>(buffers.size()) * (bufferWords_ - 1) * 32;
    if (total > 0 && (buffers.empty() || total > available / c.nbits)) {
      tree_.image().fail(where, std::to_string(rows) + " rows need " + std::to_string(total) + " values of " +
                                    std::to_string(c.nbits) + " bits; its " + std::to_string(buffers.size()) +
                                    " buffers hold fewer");
    }
    if (total == 0) return;
    ColumnStream s(tree_.image(), std::move(buffers), where);
    switch (c.type) {
      case ColumnType::Real:
        if (c.size == 8) {
          c.doubles.reserve(static_cast<std::size_t>(total));
          for (std::int64_t i = 0; i < total; ++i) {
            const std::uint32_t* p = s.words(2);
            c.doubles.push_back(s.image().real8(p[0], p[1]));
          }
        } else if (c.nbits == 32) {
          c.reals.reserve(static_cast<std::size_t>(total));
          for (std::int64_t i = 0; i < total; ++i) c.reals.push_back(std::bit_cast<float>(*s.words(1)));
        } else {
          const float low = std::bit_cast<float>(c.rangeLow), high = std::bit_cast<float>(c.rangeHigh);
          c.reals.reserve(static_cast<std::size_t>(total));
          for (std::int64_t i = 0; i < total; ++i) c.reals.push_back(unpackReal(s.packed(c.nbits), c.nbits, low, high));
        }
        break;
      case ColumnType::Integer:
        c.integers.reserve(static_cast<std::size_t>(total));
        for (std::int64_t i = 0; i < total; ++i) c.integers.push_back(signedValue(s, c.nbits));
        if (c.isIndex) runningTotals(c, where);
        break;
      case ColumnType::Unsigned:
        c.unsigneds.reserve(static_cast<std::size_t>(total));
        for (std::int64_t i = 0; i < total; ++i) c.unsigneds.push_back(c.nbits == 32 ? *s.words(1) : s.packed(c.nbits));
        break;
      case ColumnType::Logical:
        c.logicals.reserve(static_cast<std::size_t>(total));
        for (std::int64_t i = 0; i < total; ++i) c.logicals.push_back(static_cast<std::uint8_t>(s.packed(1)));
        break;
      case ColumnType::Character:
        c.texts.reserve(static_cast<std::size_t>(total));
        for (std::int64_t i = 0; i < total; ++i) {
          const std::uint32_t* p = s.words(c.size / 4);
          std::string t;
          for (int j = 0; j < c.size / 4; ++j) t += s.image().text(p[j]);
          c.texts.push_back(std::move(t));
        }
        break;
    }
  }

  // Fewer than 32 bits: sign and magnitude, the sign in the top bit of the field.
  static std::int32_t signedValue(ColumnStream& s, int nbits) {
    if (nbits == 32) return static_cast<std::int32_t>(*s.words(1));
    const std::uint32_t v = s.packed(nbits);
    const std::uint32_t sign = std::uint32_t{1} << (nbits - 1);
    const auto magnitude = static_cast<std::int32_t>(v & (sign - 1));
    return (v & sign) ? -magnitude : magnitude;
  }

  // Index variables are stored as running totals: the value of row r is the
  // difference of consecutive totals, each within the declared range.
  void runningTotals(Column& c, const std::string& where) {
    std::int64_t previous = 0;
    c.totals.reserve(c.integers.size() + 1);
    const auto low = static_cast<std::int32_t>(c.rangeLow);
    const auto high = static_cast<std::int32_t>(c.rangeHigh);
    for (std::int32_t& v : c.integers) {
      const std::int64_t n = static_cast<std::int64_t>(static_cast<std::uint32_t>(v)) - previous;
      previous = static_cast<std::uint32_t>(v);
      if (n < std::max(low, 0) || n > high) {
        tree_.image().fail(where, "index value " + std::to_string(n) + " outside its range " + std::to_string(low) +
                                      ".." + std::to_string(high));
      }
      v = static_cast<std::int32_t>(n);
      c.totals.push_back(c.totals.back() + n);
    }
  }

  const BankTree& tree_;
  const Bank& hid_;
  NtupleBuffers& buffers_;
  std::string owner_;
  ColumnNtuple n_;
  std::vector<Layout> layouts_;
  std::int64_t bufferWords_ = 0;
  std::int32_t kid_ = 0;
  const Bank* names_ = nullptr;
  const Bank* integers_ = nullptr;
  const Bank* reals_ = nullptr;
};

}  // namespace

ColumnNtuple readColumnNtuple(const BankTree& tree, std::int32_t id, NtupleBuffers& buffers) {
  return CwnReader(tree, id, buffers).run();
}

}  // namespace hbook::read
