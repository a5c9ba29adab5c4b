#include "transport/run/blocks.h"

#include <algorithm>

namespace tarn {

std::int64_t blockCount(std::int64_t events) { return (events + BLOCK_EVENTS - 1) / BLOCK_EVENTS; }

EventSpan eventsOfBlock(std::int64_t events, std::int64_t block) {
  EventSpan span;
  span.first = block * BLOCK_EVENTS + 1;
  span.last = std::min(events, (block + 1) * BLOCK_EVENTS);
  return span;
}

BlockSet BlockSet::range(std::int64_t first, std::int64_t last) {
  BlockSet s;
  s.add(BlockRange{first, last});
  return s;
}

void BlockSet::add(std::int64_t block) { add(BlockRange{block, block}); }

void BlockSet::add(const BlockRange& r) {
  if (r.last < r.first) return;
  // Fast path: appending after the last range (blocks done in order).
  if (ranges_.empty() || r.first > ranges_.back().last + 1) {
    ranges_.push_back(r);
    return;
  }
  if (r.first >= ranges_.back().first) {
    ranges_.back().last = std::max(ranges_.back().last, r.last);
    return;
  }
  std::vector<BlockRange> out;
  BlockRange merged = r;
  bool placed = false;
  for (const BlockRange& x : ranges_) {
    if (x.last + 1 < merged.first) {
      out.push_back(x);
    } else if (merged.last + 1 < x.first) {
      if (!placed) out.push_back(merged), placed = true;
      out.push_back(x);
    } else {
      merged.first = std::min(merged.first, x.first);
      merged.last = std::max(merged.last, x.last);
    }
  }
  if (!placed) out.push_back(merged);
  ranges_ = std::move(out);
}

void BlockSet::add(const BlockSet& other) {
  for (const BlockRange& r : other.ranges_) add(r);
}

bool BlockSet::contains(std::int64_t block) const {
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), block,
                             [](std::int64_t b, const BlockRange& r) { return b < r.first; });
  return it != ranges_.begin() && std::prev(it)->last >= block;
}

std::int64_t BlockSet::count() const {
  std::int64_t n = 0;
  for (const BlockRange& r : ranges_) n += r.count();
  return n;
}

std::int64_t BlockSet::events(std::int64_t runEvents) const {
  std::int64_t n = 0;
  for (const BlockRange& r : ranges_) {
    const std::int64_t first = eventsOfBlock(runEvents, r.first).first;
    const std::int64_t last = eventsOfBlock(runEvents, r.last).last;
    if (last >= first) n += last - first + 1;
  }
  return n;
}

BlockSet BlockSet::intersection(const BlockSet& other) const {
  BlockSet out;
  std::size_t i = 0, j = 0;
  while (i < ranges_.size() && j < other.ranges_.size()) {
    const BlockRange& a = ranges_[i];
    const BlockRange& b = other.ranges_[j];
    const std::int64_t lo = std::max(a.first, b.first), hi = std::min(a.last, b.last);
    if (lo <= hi) out.ranges_.push_back({lo, hi});
    if (a.last < b.last)
      ++i;
    else
      ++j;
  }
  return out;
}

BlockSet BlockSet::minus(const BlockSet& other) const {
  BlockSet out;
  for (BlockRange r : ranges_) {
    for (const BlockRange& x : other.ranges_) {
      if (x.last < r.first || x.first > r.last) continue;
      if (x.first > r.first) out.ranges_.push_back({r.first, x.first - 1});
      r.first = x.last + 1;
      if (r.first > r.last) break;
    }
    if (r.first <= r.last) out.ranges_.push_back(r);
  }
  return out;
}

std::vector<std::int64_t> BlockSet::list() const {
  std::vector<std::int64_t> v;
  for (const BlockRange& r : ranges_)
    for (std::int64_t b = r.first; b <= r.last; ++b) v.push_back(b);
  return v;
}

std::string BlockSet::text() const {
  if (ranges_.empty()) return "none";
  std::string s;
  for (const BlockRange& r : ranges_) {
    if (!s.empty()) s += ",";
    s += std::to_string(r.first);
    if (r.last != r.first) s += "-" + std::to_string(r.last);
  }
  return s;
}

bool BlockSet::parse(const std::string& text, BlockSet& out) {
  out = BlockSet();
  if (text == "none") return true;
  std::size_t i = 0;
  auto number = [&](std::int64_t& v) {
    const std::size_t from = i;
    v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (i - from >= 18) return false;
      v = v * 10 + (text[i] - '0');
    }
    return i > from;
  };
  while (true) {
    BlockRange r;
    if (!number(r.first)) return false;
    r.last = r.first;
    if (i < text.size() && text[i] == '-') {
      ++i;
      if (!number(r.last) || r.last < r.first) return false;
    }
    if (!out.ranges_.empty() && r.first <= out.ranges_.back().last + 1) return false;
    out.ranges_.push_back(r);
    if (i == text.size()) return true;
    if (text[i] != ',') return false;
    ++i;
  }
}

}  // namespace tarn
