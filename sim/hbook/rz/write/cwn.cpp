// Column-wise ntuples: the header object and one object per column buffer.
//
// Header (one memory region, as HBNT/HBNAME book it): HIDT (counts, buffer
// size, table fill marks, the RZ directory name, title) with at link 1 the
// chain of block banks HBLK (each with its variable descriptors HNAM at link
// 1, twelve words per variable), at link 2 the names HCHA, at link 3 the
// integer table HINT (integer ranges, array dimensions), at link 4 the real
// table HREA (real ranges) and at link 7 the last block. Memory order: HNAM
// of the last block first ... HNAM of the first, HBLK last ... second, HREA,
// HINT, HCHA, HBLK of the first block, HIDT.
//
// Column buffers: the values of variable v (1-based, through the blocks)
// fill buffers of B words under keys (id, 10000 k + v), k = 1, 2, ..., one
// bank HCON ('-B') each. Data word 1 is not a value (for an index variable:
// the running total at the end of the buffer before). Values of 32 bits or
// more take whole words (REAL*8 high word first, CHARACTER*n n/4 words of
// text); fewer bits are packed from the low bits of a word up and never
// straddle two words; a value that does not fit starts the next buffer.
// Index variables are stored as running totals; signed packed integers as
// sign and magnitude; packed reals as round((v - lo) / (hi - lo) (2^n - 1)).
// B = LREC - 15, so that each buffer object fills one record.
#include <bit>
#include <cmath>
#include <memory>

#include "hbook/rz/write/columnencoder.h"
#include "hbook/rz/write/objectbanks.h"
#include "hbook/rz/write/objects.h"

namespace hbook::write {
namespace {

constexpr std::uint32_t HEADER_CONTROL = 0x06A5;
constexpr std::uint32_t BLOCK_CONTROL = 0x03A5;
constexpr std::uint32_t NTUPLE_BIT = 0x8;
constexpr std::int64_t DESCRIPTOR_WORDS = 12;
constexpr std::int64_t TABLE_ROOM = 128;  // HNAM, HCHA, HINT and HREA are booked with this many words
constexpr std::int64_t DIRECTORY_NAME_WORDS = 20;
constexpr std::int64_t FIXED_WORDS = 33;
constexpr std::int64_t BUFFER_STRIDE = 10000;
constexpr std::uint32_t INDEX_FLAG = 1u << 27;
constexpr std::size_t BLOCK_CHARACTERS = 8;
constexpr std::size_t MAX_NAME_CHARACTERS = 64;
constexpr std::int64_t WORK_POINTER = 2;  // HIDT word 11, as the package leaves it

std::uint32_t typeCode(ColumnType t) {
  switch (t) {
    case ColumnType::Real: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Unsigned: return 3;
    case ColumnType::Logical: return 4;
    case ColumnType::Character: return 5;
  }
  return 0;
}

// Elements of a column in all rows, and per row.
struct ColumnShape {
  std::int64_t perUnit = 1;  // elements per row, or per unit of the index value
  int index = -1;            // the column giving the last dimension
  int slot = 0;              // 1-based position of the column in its block
  std::int64_t total = 0;
};

class Writer {
 public:
  Writer(const ColumnNtuple& n, int recordWords, const std::string& directory)
      : n_(n),
        bufferWords_(n.bufferWords > 0 ? n.bufferWords : recordWords - 15),
        directory_(directory),
        what_("column-wise ntuple " + std::to_string(n.id)) {}

  KeyedObjects objects() {
    check();
    // Count each column's buffers (and where its last one ends) by encoding it once.
    for (std::size_t v = 0; v < n_.columns.size(); ++v) {
      ColumnEncoder e(n_.columns[v], shapes_[v].total, bufferWords_, columnWhat(v));
      std::vector<std::uint32_t> scratch;
      while (e.next(scratch)) {
      }
      buffers_.push_back(e.buffers());
      lastWord_.push_back(e.lastWord());
      lastBit_.push_back(e.lastBit());
    }
    auto self = std::make_shared<Writer>(*this);
    KeyedObjects out = {sized(n_.id, 0, [self](std::uint32_t start) { return self->header(start); })};
    for (std::size_t v = 0; v < n_.columns.size(); ++v) {
      auto encoder = std::make_shared<ColumnEncoder>(n_.columns[v], shapes_[v].total, bufferWords_, columnWhat(v));
      for (std::int64_t k = 1; k <= buffers_[v]; ++k) {
        KeyedObject o;
        o.key1 = n_.id;
        o.key2 = static_cast<std::int32_t>(BUFFER_STRIDE * k + static_cast<std::int64_t>(v) + 1);
        o.buffer = true;
        o.words = bufferWords_ + 15;
        const auto idn = static_cast<std::int32_t>(v + 1);
        o.build = [encoder, idn](std::uint32_t start) {
          BankSet banks;
          std::vector<std::uint32_t> data;
          encoder->next(data);
          const int con = banks.add("HCON", idn, {CONTROL_BITS}, 0, 0, 0, std::move(data));
          return banks.object(start, con);
        };
        out.push_back(std::move(o));
      }
    }
    return out;
  }

 private:
  std::string columnWhat(std::size_t v) const { return what_ + ", variable " + n_.columns[v].name; }

  void check() {
    if (n_.entries < 0) refuse(what_, "number of rows " + std::to_string(n_.entries));
    if (bufferWords_ < 2) refuse(what_, "buffers of " + std::to_string(bufferWords_) + " words");
    std::size_t block = 0;
    int slot = 0;
    std::size_t blockFirst = 0;
    for (std::size_t v = 0; v < n_.columns.size(); ++v) {
      const Column& c = n_.columns[v];
      const std::string what = columnWhat(v);
      while (block < n_.blocks.size() && c.block != n_.blocks[block]) {
        ++block;
        slot = 0;
        blockFirst = v;
      }
      if (block == n_.blocks.size()) refuse(what, "block \"" + c.block + "\" is not among the blocks, in their order");
      ++slot;
      if (c.name.empty() || c.name.size() > MAX_NAME_CHARACTERS) refuse(what, "a name of 1 to 64 characters is needed");
      checkType(c, what);
      ColumnShape s;
      s.slot = slot;
      s.index = c.indexVariable;
      if (c.dims.size() > 7) refuse(what, std::to_string(c.dims.size()) + " dimensions (at most 7)");
      for (std::size_t j = 0; j < c.dims.size(); ++j) {
        if (s.index >= 0 && j + 1 == c.dims.size()) break;
        if (c.dims[j] < 1) refuse(what, "dimension " + std::to_string(j + 1) + " is " + std::to_string(c.dims[j]));
        s.perUnit *= c.dims[j];
      }
      if (s.index >= 0) {
        if (c.dims.empty()) refuse(what, "an index variable but no dimensions");
        if (static_cast<std::size_t>(s.index) < blockFirst || static_cast<std::size_t>(s.index) >= v) {
          refuse(what, "its index variable must come before it in its block");
        }
        const Column& index = n_.columns[static_cast<std::size_t>(s.index)];
        if (!index.isIndex || index.type != ColumnType::Integer || !index.dims.empty() || !index.hasRange) {
          refuse(what, "index variable " + index.name + " is not a scalar integer index with a range");
        }
        std::int64_t sum = 0;
        for (std::int32_t k : index.integers) sum += k;
        s.total = s.perUnit * sum;
      } else {
        s.total = s.perUnit * n_.entries;
      }
      if (c.isIndex && (c.type != ColumnType::Integer || !c.dims.empty() || !c.hasRange)) {
        refuse(what, "an index variable must be a scalar integer with a range");
      }
      if (c.isIndex) {
        const auto low = static_cast<std::int32_t>(c.rangeLow), high = static_cast<std::int32_t>(c.rangeHigh);
        for (std::int32_t k : c.integers) {
          if (k < std::max(low, 0) || k > high) {
            refuse(what, "index value " + std::to_string(k) + " outside its range " + std::to_string(low) + ".." +
                             std::to_string(high));
          }
        }
      }
      const std::size_t stored = valueCount(c);
      if (static_cast<std::int64_t>(stored) != s.total) {
        refuse(what, std::to_string(stored) + " values, " + std::to_string(s.total) + " expected for " +
                         std::to_string(n_.entries) + " rows");
      }
      shapes_.push_back(s);
    }
    if (n_.columns.empty()) refuse(what_, "no variables");
    for (const std::string& b : n_.blocks) {
      if (b.empty() || b.size() > BLOCK_CHARACTERS) refuse(what_, "block name \"" + b + "\": 1 to 8 characters");
    }
    if (static_cast<std::int64_t>(n_.columns.size()) > BUFFER_STRIDE - 1) refuse(what_, "more than 9999 variables");
  }

  static std::size_t valueCount(const Column& c) {
    switch (c.type) {
      case ColumnType::Real: return c.size == 8 ? c.doubles.size() : c.reals.size();
      case ColumnType::Integer: return c.integers.size();
      case ColumnType::Unsigned: return c.unsigneds.size();
      case ColumnType::Logical: return c.logicals.size();
      case ColumnType::Character: return c.texts.size();
    }
    return 0;
  }

  static void checkType(const Column& c, const std::string& what) {
    switch (c.type) {
      case ColumnType::Real:
        if (c.size == 8) {
          if (c.nbits != 64) refuse(what, "a REAL*8 is stored in 64 bits");
        } else if (c.size != 4) {
          refuse(what, "REAL of " + std::to_string(c.size) + " bytes (4 or 8)");
        } else if (c.nbits != 32) {
          if (c.nbits < 1 || c.nbits > 31 || !c.hasRange) refuse(what, "a packed REAL needs 1 to 31 bits and a range");
          const float low = std::bit_cast<float>(c.rangeLow), high = std::bit_cast<float>(c.rangeHigh);
          if (!(high > low)) refuse(what, "its range is empty");
        }
        return;
      case ColumnType::Integer:
      case ColumnType::Unsigned:
        if (c.size != 4) refuse(what, "an integer of " + std::to_string(c.size) + " bytes (4)");
        if (c.nbits < 1 || c.nbits > 32) {
          refuse(what, std::to_string(c.nbits) + " bits per value");
        }
        return;
      case ColumnType::Logical:
        if (c.size != 4 || c.nbits != 1) refuse(what, "a LOGICAL is stored in 1 bit");
        return;
      case ColumnType::Character:
        if (c.size < 4 || c.size % 4 != 0 || c.size > 32)
          refuse(what, "CHARACTER*" + std::to_string(c.size) + " (4, 8, ... 32)");
        return;
    }
  }

  std::uint32_t descriptor(const Column& c) const {
    std::uint32_t nbits = static_cast<std::uint32_t>(c.nbits);
    if (c.type == ColumnType::Character) nbits = static_cast<std::uint32_t>(8 * c.size);
    return (nbits & 0x7F) | (static_cast<std::uint32_t>(c.size) << 7) | (typeCode(c.type) << 13) |
           (static_cast<std::uint32_t>(c.dims.size()) << 17) | (c.isIndex ? INDEX_FLAG : 0);
  }

  std::vector<std::uint32_t> header(std::uint32_t start) const {
    // Tables: names, integer ranges and dimensions, real ranges.
    std::vector<std::uint32_t> names, integers, reals;
    std::vector<std::vector<std::uint32_t>> descriptors(n_.blocks.size());
    std::vector<std::int64_t> blockVariables(n_.blocks.size(), 0);
    std::size_t block = 0;
    for (std::size_t v = 0; v < n_.columns.size(); ++v) {
      const Column& c = n_.columns[v];
      while (c.block != n_.blocks[block]) ++block;
      ++blockVariables[block];
      const std::uint32_t nameAt = static_cast<std::uint32_t>(names.size() + 1);
      for (std::uint32_t t : textWords(c.name)) names.push_back(t);
      std::uint32_t range = 0;
      if (c.hasRange) {
        std::vector<std::uint32_t>& table = c.type == ColumnType::Real ? reals : integers;
        range = static_cast<std::uint32_t>(table.size() + 1);
        table.push_back(c.rangeLow);
        table.push_back(c.rangeHigh);
      }
      std::uint32_t dims = 0;
      if (!c.dims.empty()) {
        dims = static_cast<std::uint32_t>(integers.size() + 1);
        for (std::size_t j = 0; j < c.dims.size(); ++j) {
          if (shapes_[v].index >= 0 && j + 1 == c.dims.size()) {
            const int slot = shapes_[static_cast<std::size_t>(shapes_[v].index)].slot;
            integers.push_back(static_cast<std::uint32_t>(DESCRIPTOR_WORDS * (slot - 1) + 1));
          } else {
            integers.push_back(static_cast<std::uint32_t>(-c.dims[j]));
          }
        }
      }
      const auto nrzb = static_cast<std::uint32_t>(buffers_[v]);
      const std::uint32_t words[DESCRIPTOR_WORDS] = {descriptor(c),
                                                     static_cast<std::uint32_t>(c.name.size()),
                                                     nameAt,
                                                     range,
                                                     nrzb,
                                                     static_cast<std::uint32_t>(v + 1),
                                                     static_cast<std::uint32_t>(lastWord_[v]),
                                                     static_cast<std::uint32_t>(lastBit_[v]),
                                                     nrzb,
                                                     0,
                                                     dims,
                                                     0};
      descriptors[block].insert(descriptors[block].end(), std::begin(words), std::end(words));
    }
    auto room = [](std::vector<std::uint32_t> t) {
      if (static_cast<std::int64_t>(t.size()) < TABLE_ROOM) t.resize(TABLE_ROOM, 0);
      return t;
    };
    const std::uint32_t namesFree = static_cast<std::uint32_t>(names.size() + 1);
    const std::uint32_t integersFree = static_cast<std::uint32_t>(integers.size() + 1);
    const std::uint32_t realsFree = static_cast<std::uint32_t>(reals.size() + 1);

    BankSet banks;
    const std::size_t nb = n_.blocks.size();
    std::vector<int> nam(nb), blk(nb);
    for (std::size_t b = nb; b-- > 0;) {
      nam[b] =
          banks.add("HNAM", 1, {CONTROL_INTEGERS}, static_cast<int>(blockVariables[b]) + 1, 0, 0, room(descriptors[b]));
    }
    auto blockBank = [&](std::size_t b) {
      std::vector<std::uint32_t> d = {0,
                                      static_cast<std::uint32_t>(blockVariables[b]),
                                      static_cast<std::uint32_t>(n_.entries),
                                      static_cast<std::uint32_t>(DESCRIPTOR_WORDS * blockVariables[b] + 1),
                                      0,
                                      0,
                                      0};
      for (std::uint32_t t : textWords(n_.blocks[b], 2)) d.push_back(t);
      return banks.add("HBLK", static_cast<std::int32_t>(b + 1), {BLOCK_CONTROL}, 6, 4, 0, std::move(d));
    };
    for (std::size_t b = nb; b-- > 1;) blk[b] = blockBank(b);
    const int rea = banks.add("HREA", 4, {CONTROL_FLOATS}, 0, 0, 0, room(reals));
    const int inte = banks.add("HINT", 3, {CONTROL_INTEGERS}, 0, 0, 0, room(integers));
    const int cha = banks.add("HCHA", 2, {CONTROL_TEXT}, 0, 0, 0, room(names));
    blk[0] = blockBank(0);
    const std::vector<std::uint32_t> title = textWords(storedTitle(n_.title));
    const std::string rzName = directory_.substr(0, 4 * DIRECTORY_NAME_WORDS);
    std::vector<std::uint32_t> d = {NTUPLE_BIT | n_.kbits,
                                    static_cast<std::uint32_t>(n_.columns.size()),
                                    static_cast<std::uint32_t>(n_.entries),
                                    static_cast<std::uint32_t>(bufferWords_),
                                    namesFree,
                                    integersFree,
                                    realsFree,
                                    static_cast<std::uint32_t>(title.size()),
                                    static_cast<std::uint32_t>(FIXED_WORDS + 1),
                                    static_cast<std::uint32_t>(nb),
                                    static_cast<std::uint32_t>(WORK_POINTER),
                                    static_cast<std::uint32_t>(n_.id),
                                    static_cast<std::uint32_t>(rzName.size())};
    for (std::uint32_t t : textWords(rzName, DIRECTORY_NAME_WORDS)) d.push_back(t);
    d.insert(d.end(), title.begin(), title.end());
    const int id = banks.add("HIDT", n_.id, {HEADER_CONTROL}, 12, 6, 0, std::move(d));
    banks.hang(blk[0], id, 1);
    banks.hang(cha, id, 2);
    banks.hang(inte, id, 3);
    banks.hang(rea, id, 4);
    banks.refer(id, 7, blk[nb - 1]);
    for (std::size_t b = 1; b < nb; ++b) banks.chain(blk[b], blk[b - 1]);
    for (std::size_t b = 0; b < nb; ++b) banks.hang(nam[b], blk[b], 1);
    return banks.object(start, id);
  }

  const ColumnNtuple& n_;
  std::int64_t bufferWords_;
  std::string directory_;
  std::string what_;
  std::vector<ColumnShape> shapes_;
  std::vector<std::int64_t> buffers_, lastWord_, lastBit_;
};

}  // namespace

KeyedObjects columnNtuple(const ColumnNtuple& n, int recordWords, const std::string& directory) {
  if (n.blocks.empty()) refuse("column-wise ntuple " + std::to_string(n.id), "no blocks");
  return Writer(n, recordWords, directory).objects();
}

}  // namespace hbook::write
