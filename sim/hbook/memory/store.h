// The histogram memory: every histogram of the run, in booking order.
//
// Store is the plain C++ face used by tests, tools and the run report; the
// upper-case entries of hbook.h are a thin layer over the run-level store.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hbook/memory/channel.h"
#include "hbook/memory/copycache.h"
#include "hbook/objects/histogram.h"

namespace hbook {

class Store {
 public:
  // constexpr: the run-level store is constant-initialised (memory()).
  explicit constexpr Store(std::int64_t limitWords = 1000000) : limitWords_(limitWords) {}

  // HBOOK1: book a 1-D histogram with unpacked single-precision contents.
  // Returns false (and prints the package's message) when id exists; the old
  // histogram is kept. Also refused with a message: id 0, nx < 0, edges that
  // are not finite or xmax <= xmin, and a booking beyond the word budget.
  // nx = 0 books 100 bins, as the package does. The title loses its trailing
  // blanks and a trailing '$'; a title of one blank is empty.
  bool book(std::int32_t id, std::string_view title, std::int32_t nx, float xmin, float xmax);

  // HF1: fill with weight w. x below xmin -> underflow; x >= xmax, +Inf or NaN
  // -> overflow; -Inf -> underflow. The entry is counted. Unknown id: nothing.
  void fill(std::int32_t id, float x, float w);
  // HF1 on a histogram in hand (nothing for one without usable channels).
  static void fillHistogram(Histogram& h, float x, float w);

  // HRNDM1: a value distributed like the contents of id (see hrndm1.cpp).
  // A copy still as copyRange made it is integrated from the kept copies.
  float random(std::int32_t id);

  // HDELET: false (and the package's message) for an unknown id. Id 0
  // deletes every histogram, as in the package.
  bool remove(std::int32_t id);

  // HCOPYR(id1, id2, title, ifirst, ilast, 0, 0, option): books id2 with
  // ilast-ifirst+1 bins of id1's width from id1's lower edge + (ifirst-1)
  // widths, then fills each of id1's bins at its centre with its content as
  // the weight (bins outside the range go to the under- or overflow; id2's
  // entries are id1's nx). A blank or empty title keeps id1's title. An
  // existing id2 is replaced (with the package's warning) and, like every new
  // booking, goes to the end of the booking order. Returns false (with a
  // message) when id1 is unknown or the range is empty. Copies of up to
  // nx + 1 bins come from the kept copies (copycache.h) when made before.
  bool copyRange(std::int32_t id1, std::int32_t id2, std::string_view title, std::int32_t ifirst, std::int32_t ilast);

  // HDELET(id2) followed by HCOPYR(id1, id2, " ", ifirst, ilast): the same
  // memory afterwards (id2 last in the booking order, as booked and filled
  // afresh), made in id2's own storage when id2 exists, is not id1 and the
  // range is one of the kept copies.
  bool recopyRange(std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast);

  // recopyRange followed by what HRNDM1 does before its first draw from the
  // copy, when recopyRange would make the copy in id2's own storage from a
  // kept copy whose integration is kept: the memory as after
  // recopyRange(id1, id2, ifirst, ilast) and random(id2) but for the
  // uniform number, RNDM untouched. Otherwise false, and nothing changed but
  // the kept copies (the ones recopyRange would make).
  bool recopyIntegrated(std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast);

  // Insert a histogram read from a file (replaces an existing id, keeping its place).
  // Counted in the word budget but never refused.
  void put(Histogram h);

  const Histogram* find(std::int32_t id) const;
  Histogram* find(std::int32_t id);
  std::vector<const Histogram*> all() const;  // booking order
  void clear();                               // removes every histogram; the word budget stays

  // HLIMIT: the word budget for bookings.
  void setLimit(std::int64_t words) { limitWords_ = words; }
  std::int64_t limitWords() const { return limitWords_; }
  std::int64_t usedWords() const { return usedWords_; }
  std::size_t size() const { return order_.size(); }

  // Words the package's memory holds for one 1-D histogram: contents bank
  // (nx + 10), header bank (9 + title words) and 23 words of structure, plus
  // nx + 10 for the errors bank.
  static std::int64_t wordsFor(const Histogram& h);
  // ... for one of nx bins, a stored title of titleChars and errors or not.
  static std::int64_t wordsFor(std::int64_t nx, std::size_t titleChars, bool errors);

  // The channel HF1 puts x into: 0 underflow, 1..nx, nx+1 overflow.
  static std::int32_t channelOf(const Histogram& h, float x);

  // A title as HBOOK1 stores it.
  static std::string storedTitle(std::string_view title);

  // Ranges of the kept copies of HCOPYR (for tests).
  std::size_t keptCopies() const { return copies_.ranges(); }
  // Gives back the memory of the kept copies and of deleted histograms
  // (when the copying is over); later copies are made afresh.
  void dropKeptCopies();

 private:
  // Ids from 0 below FLAT_IDS are looked up in flat_, one entry per id up to
  // the largest such id booked (the result histograms of a run); those from
  // FLAT_IDS below DIRECT_IDS also directly: pages_[id / PAGE_IDS] holds the
  // entries of PAGE_IDS consecutive ids, made when one of them is booked;
  // other ids go through a hash map.
  static constexpr std::int32_t FLAT_IDS = 1 << 13;
  static constexpr std::int32_t DIRECT_IDS = 1 << 16;
  static constexpr std::int32_t PAGE_IDS = 64;
  // Histograms deleted are kept for their storage, up to this many, and
  // reused by the next bookings (no allocation for a delete-and-copy cycle).
  static constexpr std::size_t SPARES = 4;

  // find() for the ids not in flat_ (out of line: the look-up of a fill
  // then needs no registers for the others).
  const Histogram* findOther(std::int32_t id) const;
  // fill() for those ids.
  void fillOther(std::int32_t id, float x, float w);
  Histogram* append(std::unique_ptr<Histogram> h);
  std::unique_ptr<Histogram> blankHistogram();
  // h as a default Histogram, its channels, title and guide keeping their
  // capacity; with keepTitle its title is left as it is.
  static void blank(Histogram& h, bool keepTitle = false);
  void index(std::int32_t id, Histogram* h);
  // recopyRange's way in id2's own storage: the histogram reused, the kept
  // copy and the booking's values, when that way is open.
  struct InPlaceCopy {
    Histogram* old;
    const CopyCache::Copy* kept;
    std::int32_t bins, entries;
    float xmin, xmax;
    std::string_view title;
    std::int64_t usedAfter;
  };
  bool inPlaceCopy(std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast, InPlaceCopy& c);
  // The booking of c.old as c says, at the end of the booking order; the channels are the caller's.
  void rebook(const InPlaceCopy& c, std::int32_t id2);

  std::int64_t limitWords_;
  std::int64_t usedWords_ = 0;
  std::vector<std::unique_ptr<Histogram>> order_;                         // booking order
  std::vector<Histogram*> flat_;                                          // the same histograms by id ...
  std::vector<std::unique_ptr<std::array<Histogram*, PAGE_IDS>>> pages_;  // ... the higher direct ids
  // ... and the other ids (made at the first such booking)
  std::unique_ptr<std::unordered_map<std::int32_t, Histogram*>> byOtherId_;
  std::vector<std::unique_ptr<Histogram>> spares_;
  CopyCache copies_;
  std::vector<float> copySource_;  // copyRange's source bins when not kept
  // copyRange's title, owned while the booking may reuse the source's
  // storage (characters, not a std::string: clang 14 cannot constant-
  // initialise libstdc++'s string, and the run-level store is constinit)
  std::vector<char> copyTitle_;
};

// The run-level histogram memory behind the upper-case entries. Constant-
// initialised (constinit in store.cpp): there before any code runs, so it
// needs no first-use check, and destroyed after everything built later.
extern Store runLevelStore;
inline Store& memory() { return runLevelStore; }

// The fill path, here so that a fill compiles to one piece where it is
// called: the look-up by id, the channel and the add.
inline const Histogram* Store::find(std::int32_t id) const {
  // Negative ids convert to values above every size.
  if (static_cast<std::uint32_t>(id) < flat_.size()) return flat_[static_cast<std::size_t>(id)];
  return findOther(id);
}

inline Histogram* Store::find(std::int32_t id) {
  return const_cast<Histogram*>(static_cast<const Store*>(this)->find(id));
}

inline std::int32_t Store::channelOf(const Histogram& h, float x) { return channelIn(h.nx, h.xmin, h.xmax, x); }

inline void Store::fillHistogram(Histogram& h, float x, float w) {
  if (h.nx < 1 || h.channels.size() != static_cast<std::size_t>(h.nx) + 2) return;
  const std::int32_t channel = channelOf(h, x);
  h.channels[static_cast<std::size_t>(channel)] += w;
  if (!h.sumw2.empty() && channel >= 1 && channel <= h.nx && h.sumw2.size() == static_cast<std::size_t>(h.nx))
    h.sumw2[static_cast<std::size_t>(channel) - 1] += w * w;
  // Every call counts, under- and overflow and zero weights included; the
  // counter wraps like the package's 32-bit integer.
  h.entries = static_cast<std::int32_t>(static_cast<std::uint32_t>(h.entries) + 1u);
  h.sampleGuide.drop();  // the contents changed
}

inline void Store::fill(std::int32_t id, float x, float w) {
  if (static_cast<std::uint32_t>(id) < flat_.size()) {
    Histogram* h = flat_[static_cast<std::size_t>(id)];
    if (h) fillHistogram(*h, x, w);
    return;
  }
  fillOther(id, x, w);
}

// HRNDM1 on one histogram: integrates its contents in place on first use
// (entries -1 afterwards) and returns a value distributed like them.
float sample(Histogram& h);

// HRNDM1's bin search in integrated contents (channels 1..nx of h, nx >= 1)
// for the uniform number r: the K found by bisection with F(K) <= r <
// F(K+1), F(0) = 0, when r < F(nx); 0 otherwise.
std::int32_t sampleBin(const Histogram& h, float r);

// HRNDM1's integration of channels 1..nx in place: the running sum, each
// then divided by the total, and channel 0 set to 0. False, with the running
// sums left in place, when the total is zero or not finite.
bool integrateChannels(std::vector<float>& c, std::int32_t nx);

// An integration made elsewhere, by integrateChannels and makeSampleGuide
// from exactly h's channels: h takes the integrated channels and the guide
// and is marked integrated as HRNDM1 marks it.
void adoptIntegration(Histogram& h, const std::vector<float>& integrated, const SampleGuide& guide);

// The package's own uniform generator RNDM, one stream for the whole
// process: a 32-bit multiplicative congruential generator (x 69069) whose
// state starts at 12345 and is never seeded by the program.
float rndm();
// Back to the state at program start (12345). For tests and for a run driver
// that starts a fresh run inside one process.
void resetRndm();
// Numbers RNDM has given since the program started or resetRndm. Its period
// is 2^30: the 2^30-th number after a state is that state's number again.
std::uint64_t rndmDraws();

// Where HRNDM1 takes its uniform numbers: RNDM (nullptr, the default) or a
// function of the program's that returns numbers in (0, 1), for a program
// that must give separate runs separate streams (the histogram layer itself
// has only the one RNDM).
using UniformSource = float (*)();
void setSamplerSource(UniformSource source);

}  // namespace hbook
