#include "transport/run/runsums.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "hbook/memory/store.h"
#include "hbook/merge.h"
#include "transport/event/catalogue.h"

namespace tarn {
namespace {

constexpr int COUNTERS = 9;

std::int64_t Counters::*const COUNTER_FIELDS[COUNTERS] = {
    &Counters::nTar1In,     &Counters::nScatTar1, &Counters::nTar2In,    &Counters::nScatTar2,   &Counters::nLowEnergy,
    &Counters::nTar1ToTar2, &Counters::nDetIn,    &Counters::nScatAtDet, &Counters::nDetEChanged};

hbook::Histogram& booked(std::int32_t id) {
  hbook::Histogram* h = hbook::memory().find(id);
  if (!h) throw std::logic_error("result histogram " + std::to_string(id) + " is not booked");
  return *h;
}

void checkSameChannels(const std::vector<double>& to, const std::vector<double>& more, std::int32_t id) {
  if (to.size() != more.size())
    throw std::runtime_error("histogram " + std::to_string(id) + " has another number of channels in other results");
}

// Adds `more` to `to`, of the same size (checkSameHistograms).
void addVector(std::vector<double>& to, const std::vector<double>& more) {
  for (std::size_t i = 0; i < to.size(); ++i) to[i] += more[i];
}

// Other results' histograms can be added to these: the same ids in the same
// places, each with as many channels and errors.
void checkSameHistograms(const std::vector<HistogramSums>& these, const std::vector<HistogramSums>& other) {
  if (other.size() != these.size())
    throw std::runtime_error("other results hold " + std::to_string(other.size()) + " result histograms, not " +
                             std::to_string(these.size()));
  for (std::size_t k = 0; k < these.size(); ++k) {
    const HistogramSums& s = these[k];
    const HistogramSums& o = other[k];
    if (o.id != s.id)
      throw std::runtime_error("other results hold histogram " + std::to_string(o.id) + " in the place of " +
                               std::to_string(s.id));
    checkSameChannels(s.channels, o.channels, s.id);
    checkSameChannels(s.sumw2, o.sumw2, s.id);
  }
}

}  // namespace

void addCounters(Counters& total, const Counters& more) {
  for (auto field : COUNTER_FIELDS) total.*field += more.*field;
}

void RunSums::collectBlock(std::int64_t block, const Counters& blockCounters, std::int64_t blockNoTransfer) {
  if (blocks_.contains(block)) throw std::logic_error("block " + std::to_string(block) + " added twice");
  blocks_.add(block);
  addCounters(counters, blockCounters);
  nNoTransfer += blockNoTransfer;

  const std::vector<std::int32_t>& ids = resultHistogramIds();
  if (histograms_.empty()) {
    for (std::int32_t id : ids) {
      const hbook::Histogram& h = booked(id);
      HistogramSums s;
      s.id = id;
      s.channels.assign(h.channels.size(), 0.0);
      s.sumw2.assign(h.sumw2.size(), 0.0);
      histograms_.push_back(std::move(s));
    }
  }
  for (HistogramSums& s : histograms_) {
    hbook::Histogram& h = booked(s.id);
    if (h.channels.size() != s.channels.size() || h.sumw2.size() != s.sumw2.size())
      throw std::logic_error("result histogram " + std::to_string(s.id) + " changed its binning");
    for (std::size_t i = 0; i < h.channels.size(); ++i) s.channels[i] += static_cast<double>(h.channels[i]);
    for (std::size_t i = 0; i < h.sumw2.size(); ++i) s.sumw2[i] += static_cast<double>(h.sumw2[i]);
    s.entries += h.entries;
    s.statSumW += static_cast<double>(h.statSumW);
    s.statSumW2 += static_cast<double>(h.statSumW2);
    s.statSumWX += h.statSumWX;
    s.statSumWX2 += h.statSumWX2;
  }
  discardBlock();

  // The sampler's histograms as the block left them; the copies in the
  // order of the memory, which is the order in which they were made.
  for (std::int32_t id : SAMPLED_INPUTS)
    if (const hbook::Histogram* h = hbook::memory().find(id)) takeSamplerHistogram({block, 0, *h});
  std::int32_t order = 0;
  for (const hbook::Histogram* h : hbook::memory().all())
    if (isWorkingCopy(h->id)) takeSamplerHistogram({block, order++, *h});
}

void RunSums::discardBlock() {
  for (std::int32_t id : resultHistogramIds()) {
    hbook::Histogram& h = booked(id);
    std::fill(h.channels.begin(), h.channels.end(), 0.0f);
    std::fill(h.sumw2.begin(), h.sumw2.end(), 0.0f);
    h.entries = 0;
    h.statSumW = h.statSumW2 = 0.0f;
    h.statSumWX = h.statSumWX2 = 0.0;
    h.sampleGuide.drop();
  }
}

void RunSums::takeSamplerHistogram(const SamplerHistogram& s) {
  for (SamplerHistogram& kept : sampler_)
    if (kept.histogram.id == s.histogram.id) {
      if (s.laterThan(kept)) kept = s;
      return;
    }
  // Kept in the order of their ids, whatever order the blocks came in.
  sampler_.insert(std::find_if(sampler_.begin(), sampler_.end(),
                               [&](const SamplerHistogram& k) { return k.histogram.id > s.histogram.id; }),
                  s);
}

void RunSums::add(const RunSums& other) {
  // Everything that refuses the add is found before anything changes: a
  // refused add leaves these sums as they were, so that they can still be
  // written or added to.
  if (!blocks_.intersection(other.blocks_).empty())
    throw std::logic_error("blocks " + blocks_.intersection(other.blocks_).text() + " added twice");
  if (!histograms_.empty() && !other.histograms_.empty()) checkSameHistograms(histograms_, other.histograms_);
  detected.checkAddable(other.detected);

  blocks_.add(other.blocks_);
  addCounters(counters, other.counters);
  nNoTransfer += other.nNoTransfer;
  if (histograms_.empty()) {
    histograms_ = other.histograms_;
  } else if (!other.histograms_.empty()) {
    for (std::size_t k = 0; k < histograms_.size(); ++k) {
      HistogramSums& s = histograms_[k];
      const HistogramSums& o = other.histograms_[k];
      addVector(s.channels, o.channels);
      addVector(s.sumw2, o.sumw2);
      s.entries += o.entries;
      s.statSumW += o.statSumW;
      s.statSumW2 += o.statSumW2;
      s.statSumWX += o.statSumWX;
      s.statSumWX2 += o.statSumWX2;
    }
  }
  for (const SamplerHistogram& s : other.sampler_) takeSamplerHistogram(s);
  detected.add(other.detected);
}

void RunSums::install() const {
  hbook::Store& memory = hbook::memory();
  for (const HistogramSums& s : histograms_) {
    hbook::Histogram& h = booked(s.id);
    for (std::size_t i = 0; i < h.channels.size() && i < s.channels.size(); ++i)
      h.channels[i] = static_cast<float>(s.channels[i]);
    for (std::size_t i = 0; i < h.sumw2.size() && i < s.sumw2.size(); ++i) h.sumw2[i] = static_cast<float>(s.sumw2[i]);
    h.entries = hbook::entriesWord(s.entries);
    h.statSumW = static_cast<float>(s.statSumW);
    h.statSumW2 = static_cast<float>(s.statSumW2);
    h.statSumWX = s.statSumWX;
    h.statSumWX2 = s.statSumWX2;
  }
  // The inputs keep their place; the copies go after everything else, the
  // one made last at the end.
  // Copies in memory that no block handed over (made by a block that was
  // dropped) go.
  for (std::int32_t id : WORKING_COPIES)
    if (memory.find(id)) memory.remove(id);
  std::vector<const SamplerHistogram*> copies;
  for (const SamplerHistogram& s : sampler_) {
    if (isWorkingCopy(s.histogram.id))
      copies.push_back(&s);
    else
      memory.put(s.histogram);
  }
  std::sort(copies.begin(), copies.end(),
            [](const SamplerHistogram* a, const SamplerHistogram* b) { return b->laterThan(*a); });
  for (const SamplerHistogram* s : copies) memory.put(s->histogram);
}

FileRecord RunSums::fileRecord(const RunIdentity& run) const {
  FileRecord r;
  r.run = run;
  r.run.setBlocks(blocks_);
  for (const SamplerHistogram& s : sampler_)
    if (isWorkingCopy(s.histogram.id)) r.copies.push_back({s.histogram.id, s.block, s.order});
  std::sort(r.copies.begin(), r.copies.end(), [](const CopyTag& a, const CopyTag& b) {
    return a.block != b.block ? a.block < b.block : a.order < b.order;
  });
  for (const HistogramSums& h : histograms_) {
    for (std::size_t i = 0; i < h.channels.size(); ++i) {
      const double v = h.channels[i];
      if (static_cast<double>(static_cast<float>(v)) != v)
        r.exact.push_back({h.id, static_cast<std::int32_t>(i), v});
    }
    if (h.entries > std::numeric_limits<std::int32_t>::max()) r.entries.emplace_back(h.id, h.entries);
  }
  return r;
}

void encodeHistogram(ByteWriter& out, const hbook::Histogram& h) {
  out.i64(h.id);
  out.text(h.title);
  out.i64(h.nx);
  out.f32(h.xmin);
  out.f32(h.xmax);
  out.u64(h.kbits);
  out.f32(h.minimum);
  out.f32(h.maximum);
  out.f32(h.norm);
  out.i64(h.entries);
  out.f32(h.statSumW);
  out.f32(h.statSumW2);
  out.f64(h.statSumWX);
  out.f64(h.statSumWX2);
  out.f32s(h.channels);
  out.f32s(h.sumw2);
  out.u64((h.readFromFile ? 1u : 0u) | (h.markedAsRead ? 2u : 0u));
}

hbook::Histogram decodeHistogram(ByteReader& in) {
  hbook::Histogram h;
  h.id = static_cast<std::int32_t>(in.i64());
  h.title = in.text();
  h.nx = static_cast<std::int32_t>(in.i64());
  h.xmin = in.f32();
  h.xmax = in.f32();
  h.kbits = static_cast<std::uint32_t>(in.u64());
  h.minimum = in.f32();
  h.maximum = in.f32();
  h.norm = in.f32();
  h.entries = static_cast<std::int32_t>(in.i64());
  h.statSumW = in.f32();
  h.statSumW2 = in.f32();
  h.statSumWX = in.f64();
  h.statSumWX2 = in.f64();
  h.channels = in.f32s();
  h.sumw2 = in.f32s();
  const std::uint64_t flags = in.u64();
  h.readFromFile = (flags & 1u) != 0;
  h.markedAsRead = (flags & 2u) != 0;
  if (h.nx < 1 || h.channels.size() != static_cast<std::size_t>(h.nx) + 2 ||
      (!h.sumw2.empty() && h.sumw2.size() != static_cast<std::size_t>(h.nx)))
    in.fail("histogram " + std::to_string(h.id) + " has channels that do not fit its bins");
  return h;
}

void RunSums::encode(ByteWriter& out) const {
  out.text(blocks_.text());
  for (auto field : COUNTER_FIELDS) out.i64(counters.*field);
  out.i64(nNoTransfer);
  out.u64(histograms_.size());
  for (const HistogramSums& s : histograms_) {
    out.i64(s.id);
    out.f64s(s.channels);
    out.f64s(s.sumw2);
    out.i64(s.entries);
    out.f64(s.statSumW);
    out.f64(s.statSumW2);
    out.f64(s.statSumWX);
    out.f64(s.statSumWX2);
  }
  out.u64(sampler_.size());
  for (const SamplerHistogram& s : sampler_) {
    out.i64(s.block);
    out.i64(s.order);
    encodeHistogram(out, s.histogram);
  }
  detected.encode(out);
}

RunSums RunSums::decode(ByteReader& in) {
  RunSums r;
  if (!BlockSet::parse(in.text(), r.blocks_)) in.fail("the list of blocks is damaged");
  for (auto field : COUNTER_FIELDS) r.counters.*field = in.i64();
  r.nNoTransfer = in.i64();
  r.histograms_.resize(in.count(8));
  for (HistogramSums& s : r.histograms_) {
    s.id = static_cast<std::int32_t>(in.i64());
    s.channels = in.f64s();
    s.sumw2 = in.f64s();
    s.entries = in.i64();
    s.statSumW = in.f64();
    s.statSumW2 = in.f64();
    s.statSumWX = in.f64();
    s.statSumWX2 = in.f64();
  }
  const std::size_t n = in.count(8);
  for (std::size_t i = 0; i < n; ++i) {
    SamplerHistogram s;
    s.block = in.i64();
    s.order = static_cast<std::int32_t>(in.i64());
    s.histogram = decodeHistogram(in);
    r.sampler_.push_back(std::move(s));
  }
  r.detected = DetectedRecord::decode(in);
  return r;
}

bool RunSums::operator==(const RunSums& o) const {
  ByteWriter a, b;
  encode(a);
  o.encode(b);
  return a.bytes() == b.bytes();
}

}  // namespace tarn
