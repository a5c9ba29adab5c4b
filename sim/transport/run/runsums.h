// What the blocks of a run add up to: the counters, and every word of the
// result histograms (contents, under- and overflow, sums of squared weights
// where kept, entries and the four fill-statistics words), with the
// sampler's histograms as the latest block left them.
//
// Every value is a sum of whole numbers: each fill has weight 1, so a
// block's contents, squared weights and entries are counts, and the event
// loop's fills keep no statistics words (they stay 0). Sums of whole numbers
// in double precision are exact below 2^53 (a run has at most 4 x 10^14
// events, at most two fills of one histogram per event) and counters and
// entries are 64-bit integers, so blocks add up to the same bits in any
// grouping and any order: one process, several workers, ranks, job-array
// tasks or checkpoints give one result. They are still added in block order
// where the order is at hand. The sums go back into the histogram memory
// once, at the end, each rounded to single precision once.
//
// The sampler's histograms (100, whose contents HRNDM1 integrates in
// place; the copies 302 and 402 of S(q), made anew in each event) are not
// sums: the file holds them as the run's last events left them. Each block
// hands over its own, tagged with the block and, for the copies, the order
// in which they were last made; the latest tag wins.
#pragma once

#include <cstdint>
#include <vector>

#include "hbook/objects/histogram.h"
#include "transport/run/blocks.h"
#include "transport/run/detected.h"
#include "transport/run/encoding.h"
#include "transport/run/filerecord.h"
#include "transport/run/runidentity.h"
#include "transport/event/counters.h"

namespace tarn {

struct HistogramSums {
  std::int32_t id = 0;
  std::vector<double> channels;  // 0..nx+1
  std::vector<double> sumw2;     // 1..nx, empty without errors
  std::int64_t entries = 0;
  double statSumW = 0.0, statSumW2 = 0.0, statSumWX = 0.0, statSumWX2 = 0.0;
};

struct SamplerHistogram {
  std::int64_t block = 0;
  std::int32_t order = 0;  // place among the copies the block made (later: made later)
  hbook::Histogram histogram;
  bool laterThan(const SamplerHistogram& other) const {
    return block != other.block ? block > other.block : order > other.order;
  }
};

class RunSums {
 public:
  Counters counters;
  std::int64_t nNoTransfer = 0;
  // The detected neutrons of a run with --ntuple (detected.h); empty without.
  DetectedRecord detected;

  // Moves block `block`'s results out of the histogram memory into these
  // sums (the result histograms are left empty) with the block's counters,
  // and takes its sampler histograms.
  void collectBlock(std::int64_t block, const Counters& blockCounters, std::int64_t blockNoTransfer);
  // Forgets a block's fills in the histogram memory (a block that is
  // dropped): the result histograms are left empty.
  static void discardBlock();

  // Adds another set of blocks (none in common: throws std::logic_error;
  // results of other histograms or another ntuple choice: std::runtime_error).
  // A refused add changes nothing.
  void add(const RunSums& other);

  // The sums into the histogram memory: result histograms rounded once,
  // the sampler's histograms installed (100 in its place, the copies after
  // everything else in the order they were made).
  void install() const;
  // Gives back the result histograms' sums (after install() and
  // fileRecord(), when nothing else needs them): the histogram file's image,
  // made next, can then take their place in the heap.
  void releaseHistogramSums() { std::vector<HistogramSums>().swap(histograms_); }

  const BlockSet& blocks() const { return blocks_; }
  const std::vector<HistogramSums>& histograms() const { return histograms_; }
  std::vector<HistogramSums>& histograms() { return histograms_; }
  const std::vector<SamplerHistogram>& samplerHistograms() const { return sampler_; }
  void takeSamplerHistogram(const SamplerHistogram& s);

  // The record of a file holding these sums of the run `run`: its blocks,
  // the working copies' tags, and the values single precision cannot hold.
  FileRecord fileRecord(const RunIdentity& run) const;

  void encode(ByteWriter& out) const;
  static RunSums decode(ByteReader& in);

  bool operator==(const RunSums& other) const;

 private:
  BlockSet blocks_;
  std::vector<HistogramSums> histograms_;  // the result histograms, booking order
  std::vector<SamplerHistogram> sampler_;  // at most one per id
};

// The nine counters, added.
void addCounters(Counters& total, const Counters& more);

// A histogram's every word, and back (the sampler's histograms).
void encodeHistogram(ByteWriter& out, const hbook::Histogram& h);
hbook::Histogram decodeHistogram(ByteReader& in);

}  // namespace tarn
