// The objects of a file to be written, one list per object kind: each
// histogram or ntuple becomes one or more keyed objects (an ntuple's header
// and its data buffers), each with its key, its length in words and a way to
// build its words. The builders are called once each, in key order, when
// the file image is made; they refer to the objects given, which must stay
// alive until then.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hbook/objects/histogram.h"
#include "hbook/objects/histogram2d.h"
#include "hbook/objects/ntuple.h"
#include "hbook/objects/profile.h"

namespace hbook::write {

struct KeyedObject {
  std::int32_t key1 = 0;   // the id (or an ntuple's buffer key KID)
  std::int32_t key2 = 0;   // 0, or the buffer number of an ntuple's data buffer
  bool buffer = false;     // an ntuple data buffer: its cycle carries flag 8
  std::int64_t words = 0;  // NW
  // The NW words, laid out from store address `start` (only differences of
  // addresses matter to a reader).
  std::function<std::vector<std::uint32_t>(std::uint32_t start)> build;
};

using KeyedObjects = std::vector<KeyedObject>;

// Every builder checks its object first and throws FileError, naming it,
// for what cannot be stored (a wrong number of values, a count that does not
// fit its packed channel, ...). `recordWords` sizes ntuple buffers.
KeyedObjects histogram1D(const Histogram& h);
KeyedObjects histogram2D(const Histogram2D& h);
KeyedObjects profile(const Profile& p);
KeyedObjects rowNtuple(const RowNtuple& n, int recordWords, const std::string& directory);
KeyedObjects columnNtuple(const ColumnNtuple& n, int recordWords, const std::string& directory);

// Helpers shared by the kinds.
std::uint32_t floatBits(float f);
// A title as the header bank stores it: trailing blanks removed.
std::string storedTitle(const std::string& title);
// "histogram 10: " and the like, for messages.
[[noreturn]] void refuse(const std::string& what, const std::string& why);
// A keyed object of one bank set whose words are built once here to learn their number.
KeyedObject sized(std::int32_t key1, std::int32_t key2, std::function<std::vector<std::uint32_t>(std::uint32_t)> build);

// The channels 0..n+1 of a 1-D contents bank (HCO1 and the projections of a
// 2-D histogram): NBIT 32 floats, or fewer bits packed from the low bits of
// each word up, NB = 32/NBIT channels a word. Data words from word 1 (NBIT).
std::vector<std::uint32_t> channelWords(const std::vector<float>& channels, std::int32_t nbit, std::int32_t entries,
                                        const std::string& what);
// The I/O control byte of a 1-D contents bank: '2I 2F 4D -F', or '-B' when packed.
std::uint32_t channelControl(std::int32_t nbit);
constexpr std::uint32_t CHANNEL_IO = 0x00400802;       // its extra I/O word
constexpr std::uint32_t CONTROL_FLOATS = 0x0003;       // '-F'
constexpr std::uint32_t CONTROL_INTEGERS = 0x0002;     // '-I'
constexpr std::uint32_t CONTROL_BITS = 0x0001;         // '-B'
constexpr std::uint32_t CONTROL_TEXT = 0x0005;         // '-H'
constexpr std::uint32_t ONE_EXTRA_WORD = 0x00040000;   // ZEBRA status: NIO 1
constexpr std::uint32_t TWO_EXTRA_WORDS = 0x00080000;  // ZEBRA status: NIO 2
constexpr std::uint32_t READ_FROM_FILE = 0x10;         // ZEBRA status bit 5

}  // namespace hbook::write
