// Row-wise ntuples: the header HIDN (counts, buffer size, the RZ directory
// name when disk-resident, tags, title) with the bank of minima and maxima
// HLIM at link 2 and the data buffers HCON, NPRIME words each, rows one after
// another. Disk-resident (as HBOOKN with an RZ directory writes it): the last
// buffer at links 1 and 3 of the header, the earlier ones objects of their
// own under keys (id, 1), (id, 2), ...; header word 5 is the buffers' key
// (the id). Memory-resident: every buffer in the header object, buffer 1 at
// link 1, each next one on the next link of the one before, the last also
// at link 3; word 5 counts them. Header memory order: the buffers booked
// after the first (the last first), HLIM, buffer 1, HIDN.
#include <algorithm>

#include "hbook/rz/write/objectbanks.h"
#include "hbook/rz/write/objects.h"

namespace hbook::write {
namespace {

constexpr std::uint32_t HEADER_CONTROL = 0x05A5;
constexpr std::uint32_t NTUPLE_BIT = 0x8;
constexpr std::int64_t DIRECTORY_NAME_WORDS = 20;
constexpr std::int64_t TAG_WORDS = 2;
constexpr std::int64_t FIXED_WORDS = 31;
constexpr float NO_MINIMUM = 1e31f;  // HLIM of a variable without rows
constexpr std::size_t TAG_CHARACTERS = 8;

struct Shape {
  std::int64_t nvar = 0;
  std::int64_t rows = 0;
  std::int64_t bufferWords = 0;  // NPRIME
  std::int64_t rowsPerBuffer = 0;
  std::int64_t buffers = 0;   // buffers in all (at least 1)
  std::int64_t lastRows = 0;  // rows in the last buffer
};

Shape shapeOf(const RowNtuple& n, int recordWords) {
  Shape s;
  s.nvar = n.nvar;
  s.rows = n.entries;
  s.bufferWords = n.bufferWords;
  if (s.bufferWords <= 0) {
    // As HBOOKN sizes a buffer asked to fill one record with its object.
    const std::int64_t asked = recordWords - 15;
    s.bufferWords = n.inMemory ? std::max(asked, 10 * s.nvar) : std::max(s.nvar, asked / s.nvar * s.nvar);
  }
  s.rowsPerBuffer = s.bufferWords / s.nvar;
  s.buffers = s.rows > 0 ? (s.rows - 1) / s.rowsPerBuffer + 1 : 1;
  s.lastRows = s.rows - (s.buffers - 1) * s.rowsPerBuffer;
  return s;
}

// Buffer b (0-based): its rows, zero-padded to NPRIME words.
std::vector<std::uint32_t> bufferWords(const RowNtuple& n, const Shape& s, std::int64_t b) {
  std::vector<std::uint32_t> w(static_cast<std::size_t>(s.bufferWords), 0);
  const std::int64_t first = b * s.rowsPerBuffer * s.nvar;
  const std::int64_t count = (b + 1 == s.buffers ? s.lastRows : s.rowsPerBuffer) * s.nvar;
  for (std::int64_t k = 0; k < count; ++k)
    w[static_cast<std::size_t>(k)] = floatBits(n.values[static_cast<std::size_t>(first + k)]);
  return w;
}

std::vector<std::uint32_t> limits(const RowNtuple& n) {
  std::vector<std::uint32_t> w;
  for (std::int64_t v = 0; v < n.nvar; ++v) {
    float low = NO_MINIMUM, high = -NO_MINIMUM;
    if (!n.minimum.empty()) {
      low = n.minimum[static_cast<std::size_t>(v)];
      high = n.maximum[static_cast<std::size_t>(v)];
    } else {
      for (std::int64_t r = 0; r < n.entries; ++r) {
        low = std::min(low, n.value(r, static_cast<int>(v)));
        high = std::max(high, n.value(r, static_cast<int>(v)));
      }
    }
    w.push_back(floatBits(low));
    w.push_back(floatBits(high));
  }
  return w;
}

std::vector<std::uint32_t> header(const RowNtuple& n, const Shape& s, const std::string& directory,
                                  std::uint32_t start) {
  BankSet banks;
  const std::int64_t inHeader = n.inMemory ? s.buffers : 1;
  std::vector<int> buffer(static_cast<std::size_t>(inHeader));
  for (std::int64_t k = inHeader - 1; k >= 1; --k) {
    const std::int64_t b = s.buffers - inHeader + k;
    buffer[static_cast<std::size_t>(k)] =
        banks.add("HCON", static_cast<std::int32_t>(k + 1), {CONTROL_FLOATS}, 0, 0, 0, bufferWords(n, s, b));
  }
  const int lim = banks.add("HLIM", 2, {CONTROL_FLOATS}, 0, 0, 0, limits(n));
  buffer[0] = banks.add("HCON", 1, {CONTROL_FLOATS}, 0, 0, 0, bufferWords(n, s, s.buffers - inHeader));
  const std::string title = storedTitle(n.title);
  const std::vector<std::uint32_t> titleWords = textWords(title);
  const std::int64_t tagStart = FIXED_WORDS + 1;
  const std::int64_t titleStart = tagStart + TAG_WORDS * s.nvar;
  const std::string rzName = n.inMemory ? "" : directory.substr(0, 4 * DIRECTORY_NAME_WORDS);
  std::vector<std::uint32_t> d = {NTUPLE_BIT | n.kbits,
                                  static_cast<std::uint32_t>(s.nvar),
                                  static_cast<std::uint32_t>(s.rows),
                                  static_cast<std::uint32_t>(s.bufferWords),
                                  static_cast<std::uint32_t>(n.inMemory ? s.buffers : n.id),
                                  static_cast<std::uint32_t>(n.inMemory ? 0 : s.buffers - 1),
                                  static_cast<std::uint32_t>(s.lastRows * s.nvar + 1),
                                  static_cast<std::uint32_t>(titleWords.size()),
                                  static_cast<std::uint32_t>(titleStart),
                                  static_cast<std::uint32_t>(tagStart),
                                  static_cast<std::uint32_t>(rzName.size())};
  std::vector<std::uint32_t> name =
      n.inMemory ? std::vector<std::uint32_t>(DIRECTORY_NAME_WORDS, 0) : textWords(rzName, DIRECTORY_NAME_WORDS);
  d.insert(d.end(), name.begin(), name.end());
  for (const std::string& tag : n.tags) {
    for (std::uint32_t t : textWords(tag, TAG_WORDS)) d.push_back(t);
  }
  d.insert(d.end(), titleWords.begin(), titleWords.end());
  const int id = banks.add("HIDN", n.id, {HEADER_CONTROL}, 3, 2, 0, std::move(d));
  banks.hang(buffer[0], id, 1);
  banks.hang(lim, id, 2);
  for (std::size_t k = 1; k < buffer.size(); ++k) banks.chain(buffer[k], buffer[k - 1]);
  banks.refer(id, 3, buffer.back());
  return banks.object(start, id);
}

}  // namespace

KeyedObjects rowNtuple(const RowNtuple& n, int recordWords, const std::string& directory) {
  const std::string what = "row-wise ntuple " + std::to_string(n.id);
  if (n.nvar < 1) refuse(what, "number of variables " + std::to_string(n.nvar));
  if (n.entries < 0) refuse(what, "number of rows " + std::to_string(n.entries));
  if (n.tags.size() != static_cast<std::size_t>(n.nvar)) {
    refuse(what, std::to_string(n.tags.size()) + " tags for " + std::to_string(n.nvar) + " variables");
  }
  for (const std::string& tag : n.tags) {
    if (tag.size() > TAG_CHARACTERS) refuse(what, "tag \"" + tag + "\" is longer than 8 characters");
  }
  if (n.values.size() != static_cast<std::size_t>(n.nvar) * static_cast<std::size_t>(n.entries)) {
    refuse(what, std::to_string(n.values.size()) + " values for " + std::to_string(n.entries) + " rows of " +
                     std::to_string(n.nvar) + " variables");
  }
  if (!(n.minimum.empty() && n.maximum.empty()) &&
      (n.minimum.size() != static_cast<std::size_t>(n.nvar) || n.maximum.size() != static_cast<std::size_t>(n.nvar))) {
    refuse(what, "minima and maxima for " + std::to_string(n.minimum.size()) + " and " +
                     std::to_string(n.maximum.size()) + " of " + std::to_string(n.nvar) + " variables");
  }
  if (n.bufferWords > 0 && n.bufferWords < n.nvar) {
    refuse(what, "buffers of " + std::to_string(n.bufferWords) + " words hold no row of " + std::to_string(n.nvar));
  }
  const Shape s = shapeOf(n, recordWords);
  KeyedObjects out = {
      sized(n.id, 0, [&n, s, directory](std::uint32_t start) { return header(n, s, directory, start); })};
  if (n.inMemory) return out;
  for (std::int64_t b = 0; b + 1 < s.buffers; ++b) {
    KeyedObject k;
    k.key1 = n.id;
    k.key2 = static_cast<std::int32_t>(b + 1);
    k.buffer = true;
    k.words = s.bufferWords + 15;
    k.build = [&n, s, b](std::uint32_t start) {
      BankSet banks;
      const int con = banks.add("HCON", 1, {CONTROL_FLOATS}, 0, 0, 0, bufferWords(n, s, b));
      return banks.object(start, con);
    };
    out.push_back(std::move(k));
  }
  return out;
}

}  // namespace hbook::write
