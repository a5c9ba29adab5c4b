#include "transport/run/resultsums.h"

#include <cstring>
#include <stdexcept>

#include "hbook/memory/store.h"
#include "hbook/merge.h"
#include "transport/event/catalogue.h"

namespace tarn {
namespace {

constexpr int COUNTER_FIELDS = 10;  // the nine counters and nNoTransfer

void countersTo(const Counters& c, std::int64_t nNoTransfer, std::int64_t out[COUNTER_FIELDS]) {
  const std::int64_t values[COUNTER_FIELDS] = {c.nTar1In,     c.nScatTar1, c.nTar2In,    c.nScatTar2,    c.nLowEnergy,
                                               c.nTar1ToTar2, c.nDetIn,    c.nScatAtDet, c.nDetEChanged, nNoTransfer};
  std::memcpy(out, values, sizeof values);
}

Counters countersFrom(const std::int64_t v[COUNTER_FIELDS]) {
  Counters c;
  c.nTar1In = v[0];
  c.nScatTar1 = v[1];
  c.nTar2In = v[2];
  c.nScatTar2 = v[3];
  c.nLowEnergy = v[4];
  c.nTar1ToTar2 = v[5];
  c.nDetIn = v[6];
  c.nScatAtDet = v[7];
  c.nDetEChanged = v[8];
  return c;
}

template <typename T>
void put(RankGroup::Bytes& out, const T* values, std::size_t count) {
  const auto* p = reinterpret_cast<const unsigned char*>(values);
  out.insert(out.end(), p, p + count * sizeof(T));
}

template <typename T>
void take(const RankGroup::Bytes& in, std::size_t& at, T* values, std::size_t count) {
  const std::size_t bytes = count * sizeof(T);
  if (in.size() - at < bytes) throw std::runtime_error("a rank's results are shorter than expected");
  std::memcpy(values, in.data() + at, bytes);
  at += bytes;
}

}  // namespace

void addCounters(Counters& total, const Counters& more) {
  total.nTar1In += more.nTar1In;
  total.nScatTar1 += more.nScatTar1;
  total.nTar2In += more.nTar2In;
  total.nScatTar2 += more.nScatTar2;
  total.nLowEnergy += more.nLowEnergy;
  total.nTar1ToTar2 += more.nTar1ToTar2;
  total.nDetIn += more.nDetIn;
  total.nScatAtDet += more.nScatAtDet;
  total.nDetEChanged += more.nDetEChanged;
}

void ResultSums::collect() {
  const std::vector<std::int32_t>& ids = resultHistogramIds();
  if (entries_.empty()) entries_.assign(ids.size(), 0);
  std::size_t at = 0;
  for (std::size_t k = 0; k < ids.size(); ++k) {
    hbook::Histogram* h = hbook::memory().find(ids[k]);
    if (!h) throw std::logic_error("result histogram " + std::to_string(ids[k]) + " is not booked");
    if (channels_.size() < at + h->channels.size()) channels_.resize(at + h->channels.size(), 0.0);
    for (float& c : h->channels) {
      channels_[at++] += static_cast<double>(c);
      c = 0.0f;
    }
    entries_[k] += h->entries;
    h->entries = 0;
    h->sampleGuide.drop();
  }
}

void ResultSums::add(const ResultSums& other) {
  if (empty()) {
    *this = other;
    return;
  }
  if (other.channels_.size() != channels_.size() || other.entries_.size() != entries_.size())
    throw std::runtime_error("a rank's result histograms differ in size from rank 0's");
  for (std::size_t i = 0; i < channels_.size(); ++i) channels_[i] += other.channels_[i];
  for (std::size_t i = 0; i < entries_.size(); ++i) entries_[i] += other.entries_[i];
}

void ResultSums::writeBack() const {
  const std::vector<std::int32_t>& ids = resultHistogramIds();
  std::size_t at = 0;
  for (std::size_t k = 0; k < ids.size() && k < entries_.size(); ++k) {
    hbook::Histogram* h = hbook::memory().find(ids[k]);
    if (!h) continue;
    for (float& c : h->channels) c = static_cast<float>(channels_[at++]);
    h->entries = hbook::entriesWord(entries_[k]);
  }
}

RankGroup::Bytes ResultSums::pack(const RankResults& results) const {
  RankGroup::Bytes out;
  std::int64_t counters[COUNTER_FIELDS];
  countersTo(results.counters, results.nNoTransfer, counters);
  const std::uint64_t sizes[3] = {channels_.size(), entries_.size(), results.console.size()};
  put(out, sizes, 3);
  put(out, counters, COUNTER_FIELDS);
  put(out, channels_.data(), channels_.size());
  put(out, entries_.data(), entries_.size());
  put(out, results.console.data(), results.console.size());
  return out;
}

std::string ResultSums::addPacked(const RankGroup::Bytes& block, RankResults& totals) {
  std::size_t at = 0;
  std::uint64_t sizes[3];
  take(block, at, sizes, 3);
  for (const std::uint64_t n : sizes)
    if (n > block.size()) throw std::runtime_error("a rank's results are damaged");
  std::int64_t counters[COUNTER_FIELDS];
  take(block, at, counters, COUNTER_FIELDS);
  ResultSums other;
  other.channels_.resize(sizes[0]);
  other.entries_.resize(sizes[1]);
  take(block, at, other.channels_.data(), sizes[0]);
  take(block, at, other.entries_.data(), sizes[1]);
  std::string console(sizes[2], ' ');
  take(block, at, console.data(), sizes[2]);
  addCounters(totals.counters, countersFrom(counters));
  totals.nNoTransfer += counters[COUNTER_FIELDS - 1];
  add(other);
  return console;
}

int addUpRanks(RankGroup& ranks, ResultSums& sums, ResultSums::RankResults& totals, std::string& otherConsoles) {
  const RankGroup::Bytes mine = ranks.rank() == 0 ? RankGroup::Bytes() : sums.pack(totals);
  return ranks.gatherInOrder(mine, [&](int rank, const RankGroup::Bytes& block) {
    const std::string lines = sums.addPacked(block, totals);
    if (!lines.empty()) otherConsoles += " Console of rank " + std::to_string(rank) + ":\n" + lines;
  });
}

}  // namespace tarn
